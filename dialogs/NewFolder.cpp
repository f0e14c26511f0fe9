#include "dialogs/NewFolder.h"

#include "core/PlatformPaths.h"

NewFolder::NewFolder(DirectoryList &Dir1, PathDialogFields &fields, Prompts &prompts)
    : m_Dir1(Dir1)
    , m_fields(fields)
    , m_prompts(prompts)
{
}

void NewFolder::NewDir_Click()
{
    const QString parent = m_Dir1.path();
    // Asked again after every name that cannot be made, until one is made or
    // the user cancels.
    for (;;) {
        m_fields.sFolder = m_prompts.input(QStringLiteral("\r\n\r\n\r\nCurrent Path is ") + parent +
                                               QStringLiteral("\r\n\r\nEnter Folder Name"),
                                           QStringLiteral("Create New Folder in ") + parent,
                                           QStringLiteral("New Folder"));
        if (m_fields.sFolder.isEmpty())
            break;
        m_fields.sTestString = m_fields.sFolder;
        if (m_fields.CheckBadChr()) {
            ShowBadFolderChr();
            continue;
        }
        const QString folder = platform::joinFolderAndName(parent, m_fields.sFolder);
        if (platform::existingEntryName(folder) == m_fields.sFolder) {
            ShowFolderExists();
            continue;
        }
        create(folder);
        break;
    }
    m_Dir1.refresh();
}

void NewFolder::ShowBadFolderChr()
{
    m_prompts.message(QStringLiteral("Invalid Character in Folder Name!"));
}

void NewFolder::ShowFolderExists()
{
    m_prompts.message(QStringLiteral("Folder already Exists!"));
}

void NewFolder::create(const QString &folder)
{
    // An entry whose name differs only in letter case passes the existence
    // test, and a folder can vanish or refuse writing; the system's word on
    // it is what the user needs to choose another name or place.
    const QString failure = platform::makeFolder(folder);
    if (!failure.isEmpty()) {
        m_prompts.message(
            QStringLiteral("Could not create the folder %1: %2").arg(folder, failure));
        return;
    }
    const QString openFailure = m_Dir1.setPath(folder);
    if (!openFailure.isEmpty())
        m_prompts.message(openFailure);
}
