#pragma once

// What the program asks a kernel video device directly, beside GStreamer:
// which input a capture card takes its picture from, whether that input
// has a signal, and what device sits at a node. GStreamer's v4l2 source
// offers none of these.

#include <QString>

namespace device::gst {

enum class InputSelection { Selected, Busy };

// Capture cards take their picture from one of several inputs; a camera has
// only one, which then serves every input asked for. Another program that
// streams from the device keeps it from changing input.
InputSelection selectInput(int fd, int input);

// A capture card's input without a picture source still delivers frames,
// of noise: only the input's status tells.
bool inputHasSignal(int fd);

// What a device is, whatever node it sits at: the kernel gives a replugged
// camera the next free node, so its old path may be gone or another's.
struct NodeIdentity {
    QString card;
    QString busInfo;

    bool isKnown() const { return !card.isEmpty(); }
    friend bool operator==(const NodeIdentity &, const NodeIdentity &) = default;
};
NodeIdentity identityOf(int fd);
// Opens the node just long enough to ask; unknown when it is missing.
NodeIdentity identityAt(const QString &path);

} // namespace device::gst
