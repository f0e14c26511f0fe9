#include "dialogs/frmPath.h"

#include "core/PlatformPaths.h"
#include "dialogs/DialogLook.h"
#include "dialogs/ImageCounter.h"
#include "dialogs/NewFolder.h"
#include "dialogs/frmFileType.h"
#include "widgets/Controls.h"

#include <QKeyEvent>
#include <QScreen>
#include <QShowEvent>

namespace {

QPushButton *button(QWidget *parent, const char *name, const QString &caption, int top)
{
    auto *pushButton = new QPushButton(caption, parent);
    pushButton->setObjectName(QLatin1String(name));
    pushButton->setGeometry(twipsRect(4320, top, 975, 495));
    makePlainButton(*pushButton);
    return pushButton;
}

} // namespace

frmPath::frmPath(CaptureState &state, QLabel &lblPath, Prompts &prompts, QWidget *parent)
    : QDialog(parent)
    , m_state(state)
    , m_lblPath(lblPath)
    , m_prompts(prompts)
{
    setObjectName(QStringLiteral("frmPath"));
    setWindowTitle(QStringLiteral("Select Path to Save Snap Frame(s) to"));
    makeFixedDialog(*this, 5340, 4290);
    setFont(regularControlFont());
    buildControls();
    connectHandlers();
    centreOnScreen();
    Drive1_Change();
}

void frmPath::buildControls()
{
    ok = button(this, "ok", QStringLiteral("OK"), 120);

    Dir1 = new DirectoryList(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setGeometry(twipsRect(120, 720, 4095, 3240));
    Dir1->setAccessibleName(QStringLiteral("Folders"));

    Drive1 = new DriveList(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setGeometry(twipsRect(120, 3960, 4095, 315));

    Frame1 = new QGroupBox(QStringLiteral("Current File Name"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twipsRect(120, 0, 4095, 615));
    Frame1->setFont(frameCaptionFont(8.25));

    Cancel = button(this, "Cancel", QStringLiteral("Cancel"), 720);
    NewDir = button(this, "NewDir", QStringLiteral("New Folder"), 1320);

    Text1 = new QLineEdit(Frame1);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(twipsRect(120, 240, 3855, 285));
    Text1->setFont(regularControlFont());
    // No label names the field; its frame's caption does, for screen readers too.
    Text1->setAccessibleName(Frame1->title());

    SetCounter = button(this, "SetCounter", QStringLiteral("Set Counter"), 2520);
    cmdFileType = button(this, "cmdFileType", QStringLiteral("Image Type"), 1920);

    QWidget *tabOrder[] = {ok, Dir1, Drive1, Cancel, NewDir, Text1, SetCounter, cmdFileType};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    ok->setFocus();
}

void frmPath::connectHandlers()
{
    connect(ok, &QPushButton::clicked, this, &frmPath::ok_Click);
    connect(Cancel, &QPushButton::clicked, this, &frmPath::Cancel_Click);
    connect(NewDir, &QPushButton::clicked, this, &frmPath::NewDir_Click);
    connect(SetCounter, &QPushButton::clicked, this, &frmPath::SetCounter_Click);
    connect(cmdFileType, &QPushButton::clicked, this, &frmPath::cmdFileType_Click);
    connect(Text1, &QLineEdit::textChanged, this, &frmPath::Text1_Change);
    connect(Drive1, &DriveList::Change, this, &frmPath::Drive1_Change);
    // The drive list names the volume the folder list is on, also after a
    // folder on another volume was opened; its change handler would pull the
    // folder list back to that volume's root, so it must not run.
    connect(Dir1, &DirectoryList::pathChanged, this,
            [this] { Drive1->showDrive(platform::volumeOf(Dir1->path())); });
    connect(Dir1, &DirectoryList::openFailed, this,
            [this](const QString &reason) { m_prompts.message(reason); });
}

void frmPath::centreOnScreen()
{
    const QScreen *screen = parentWidget() ? parentWidget()->screen() : QWidget::screen();
    if (screen)
        move(screen->availableGeometry().center() - rect().center());
}

void frmPath::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        Form_Activate();
}

void frmPath::keyPressEvent(QKeyEvent *event)
{
    // No button answers Esc; the dialog closes by its buttons or the window's
    // close control only.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmPath::Form_Activate()
{
    Text1->setText(fields.sNewFile);
    fields.sFolder.clear();
    fields.bBadChr = true;
}

void frmPath::Drive1_Change()
{
    const QString failure = Dir1->setPath(Drive1->drive());
    if (failure.isEmpty())
        return;
    Drive1->showDrive(platform::volumeOf(Dir1->path()));
    m_prompts.message(failure);
}

void frmPath::Text1_Change()
{
    fields.sTestString = Text1->text();
    if (CheckBadChr()) {
        ShowBadFileChr();
        Text1->setText(fields.sNewFile);
        return;
    }
    fields.sNewFile = Text1->text();
}

bool frmPath::CheckBadChr()
{
    return fields.CheckBadChr();
}

void frmPath::ShowBadFileChr()
{
    m_prompts.message(QStringLiteral("Invalid Character in File Name!"));
}

void frmPath::ok_Click()
{
    const QString folder = platform::withoutTrailingSeparator(Dir1->path());
    m_state.sCurrentpath = folder;
    m_state.sFileName = fields.sNewFile;
    m_state.iCurrentImageNumber = fields.iNewImageNumber;
    m_state.sFileType = fields.sNewImageType;

    const QString snapFile = snapFileName(m_state);
    m_lblPath.setText(snapFile);
    m_lblPath.setToolTip(snapFile);

    m_prompts.message(QStringList{QStringLiteral("Current Path is: ") + folder,
                                  QStringLiteral("Current File name is: ") + fields.sNewFile,
                                  QStringLiteral("Current image number is: ") +
                                      QString::number(fields.iNewImageNumber),
                                  QStringLiteral("Current Image type is: ") + fields.sNewImageType}
                          .join(QStringLiteral("\r\n")));
    accept();
}

void frmPath::Cancel_Click()
{
    QDialog::reject();
}

void frmPath::reject()
{
    Cancel_Click();
}

void frmPath::cmdFileType_Click()
{
    frmFileType imageType(fields.sNewImageType, this);
    imageType.exec();
    Form_Activate();
}

void frmPath::NewDir_Click()
{
    NewFolder(*Dir1, fields, m_prompts).NewDir_Click();
}

void frmPath::SetCounter_Click()
{
    ImageCounter(fields, m_prompts).SetCounter_Click();
}
