#pragma once

// dialogs/ reaches down to widgets/ and core/: this dialog with its drive
// and folder lists, New Folder and Set Counter, and the image type dialog
// (frmFileType.h).
//
// The path dialog: where snaps are saved, under which base name, number and
// image type. It works on its own copies and writes them into the capture
// state only on OK.

#include "core/CaptureState.h"
#include "dialogs/DirectoryList.h"
#include "dialogs/DriveList.h"
#include "dialogs/PathDialogFields.h"
#include "widgets/Prompts.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

class frmPath : public QDialog {
    Q_OBJECT
public:
    frmPath(CaptureState &state, QLabel &lblPath, Prompts &prompts, QWidget *parent = nullptr);

    void Form_Activate();
    void Drive1_Change();
    void Text1_Change();
    bool CheckBadChr();
    void ShowBadFileChr();
    void ok_Click();
    void Cancel_Click();
    void cmdFileType_Click();
    void NewDir_Click();
    void SetCounter_Click();

    // Closing the window any other way than by its buttons is a Cancel.
    void reject() override;

    PathDialogFields fields;

    QPushButton *ok = nullptr;
    DirectoryList *Dir1 = nullptr;
    DriveList *Drive1 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QPushButton *Cancel = nullptr;
    QPushButton *NewDir = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *SetCounter = nullptr;
    QPushButton *cmdFileType = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildControls();
    void connectHandlers();
    void centreOnScreen();

    CaptureState &m_state;
    QLabel &m_lblPath;
    Prompts &m_prompts;
};
