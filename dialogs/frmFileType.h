#pragma once

// The image type dialog: the user picks the type snaps are saved in, and OK
// hands its extension to the path dialog, which keeps it until its own OK.

#include "widgets/Controls.h"

#include <QDialog>
#include <QGroupBox>
#include <QPushButton>

class frmFileType : public QDialog {
    Q_OBJECT
public:
    // sNewImageType is the path dialog's pending type, written only on OK.
    frmFileType(QString &sNewImageType, QWidget *parent = nullptr);

    void optBMP_Click();
    void optIFF_Click();
    void optJPG_Click();
    void optPCX_Click();
    void optPNG_Click();
    void optTGA_Click();
    void optTIf_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

    QGroupBox *FrmSelect = nullptr;
    OptionButton *optBMP = nullptr;
    OptionButton *optIFF = nullptr;
    OptionButton *optJPG = nullptr;
    OptionButton *optPCX = nullptr;
    OptionButton *optPNG = nullptr;
    OptionButton *optTGA = nullptr;
    OptionButton *optTIf = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    // What every option's handler does: keep its extension until OK.
    void chooseType(const QString &extension);

    QString &m_sNewImageType;
    QString sChosenType;
};
