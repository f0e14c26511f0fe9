#pragma once

// New Folder: creates a folder inside the directory list's current folder,
// under a name the user types, and makes it the current folder.

#include "output/DirectoryList.h"
#include "output/PathDialogFields.h"
#include "output/Prompts.h"

class NewFolder {
public:
    NewFolder(DirectoryList &Dir1, PathDialogFields &fields, Prompts &prompts);

    void NewDir_Click();
    void ShowBadFolderChr();
    void ShowFolderExists();

private:
    void create(const QString &folder);

    DirectoryList &m_Dir1;
    PathDialogFields &m_fields;
    Prompts &m_prompts;
};
