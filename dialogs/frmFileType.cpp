#include "dialogs/frmFileType.h"

#include "dialogs/DialogLook.h"

#include <QShowEvent>

frmFileType::frmFileType(QString &sNewImageType, QWidget *parent)
    : QDialog(parent)
    , m_sNewImageType(sNewImageType)
{
    setObjectName(QStringLiteral("frmFileType"));
    setWindowTitle(QStringLiteral("Save File as"));
    makeFixedDialog(*this, 3270, 2550);
    setFont(regularControlFont());
    buildControls();
}

void frmFileType::buildControls()
{
    FrmSelect = new QGroupBox(QStringLiteral("Select Image Type to save files as"), this);
    FrmSelect->setObjectName(QStringLiteral("FrmSelect"));
    FrmSelect->setGeometry(twipsRect(0, 0, 3255, 2055));

    struct Option {
        OptionButton *frmFileType::*button;
        const char *name;
        const char *caption;
        int widthTwips;
        void (frmFileType::*handler)();
    };
    const Option options[] = {
        {&frmFileType::optBMP, "optBMP", "BMP -- Windows Bitmap", 2775, &frmFileType::optBMP_Click},
        {&frmFileType::optIFF, "optIFF", "IFF    -- Amiga Interchange File Format", 3015,
         &frmFileType::optIFF_Click},
        {&frmFileType::optJPG, "optJPG", "JPG  -- JPEG", 3015, &frmFileType::optJPG_Click},
        {&frmFileType::optPCX, "optPCX", "PCX -- PC PaintBrush", 2775, &frmFileType::optPCX_Click},
        {&frmFileType::optPNG, "optPNG", "PNG -- Portable Network Graphic", 2655,
         &frmFileType::optPNG_Click},
        {&frmFileType::optTGA, "optTGA", "TGA -- Targa", 2175, &frmFileType::optTGA_Click},
        {&frmFileType::optTIf, "optTIf", "TIF -- Tagged Image File", 2415,
         &frmFileType::optTIf_Click},
    };
    int top = 240;
    QWidget *previous = nullptr;
    for (const Option &option : options) {
        auto *button = new OptionButton(QLatin1String(option.caption), FrmSelect);
        button->setObjectName(QLatin1String(option.name));
        button->setGeometry(twipsRect(120, top, option.widthTwips, 255));
        connect(button, &OptionButton::Click, this, option.handler);
        this->*option.button = button;
        if (previous)
            setTabOrder(previous, button);
        previous = button;
        top += 240;
    }

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(twipsRect(0, 2040, 1095, 495));
    makePlainButton(*cmdOK);
    connect(cmdOK, &QPushButton::clicked, this, &frmFileType::cmdOK_Click);

    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(twipsRect(2040, 2040, 1215, 495));
    makePlainButton(*cmdCancel);
    connect(cmdCancel, &QPushButton::clicked, this, &frmFileType::cmdCancel_Click);

    setTabOrder(previous, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
}

void frmFileType::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // The first option takes the focus on opening, and an option taking the
    // focus is selected: every opening starts from BMP, not from the type in
    // force.
    optBMP->setFocus(Qt::TabFocusReason);
    optBMP->select();
}

void frmFileType::optBMP_Click()
{
    chooseType(QStringLiteral("bmp"));
}

void frmFileType::optIFF_Click()
{
    chooseType(QStringLiteral("iff"));
}

void frmFileType::optJPG_Click()
{
    chooseType(QStringLiteral("jpg"));
}

void frmFileType::optPCX_Click()
{
    chooseType(QStringLiteral("pcx"));
}

void frmFileType::optPNG_Click()
{
    chooseType(QStringLiteral("png"));
}

void frmFileType::optTGA_Click()
{
    chooseType(QStringLiteral("tga"));
}

void frmFileType::optTIf_Click()
{
    chooseType(QStringLiteral("tif"));
}

void frmFileType::chooseType(const QString &extension)
{
    sChosenType = extension;
}

void frmFileType::cmdOK_Click()
{
    m_sNewImageType = sChosenType;
    accept();
}

void frmFileType::cmdCancel_Click()
{
    reject();
}
