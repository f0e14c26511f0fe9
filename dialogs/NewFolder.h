#pragma once

// New Folder: creates a folder inside the directory list's current folder,
// under a name the user types, and makes it the current folder.

#include "dialogs/DirectoryList.h"
#include "dialogs/PathDialogFields.h"
#include "widgets/Prompts.h"

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
