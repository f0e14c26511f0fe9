#pragma once

// How the window's own control kinds read out to screen readers: a drop-down
// list by its name, with its current entry as its description and its text;
// an adjustment slider by the setting it stands for rather than its raw
// position; a picture box as a picture.

class DropDownList;

// Makes the interfaces above the ones Qt hands out; safe to call often.
void installControlAccessibility();

// Tells screen readers that the list shows another entry.
void announceEntry(DropDownList *list);
