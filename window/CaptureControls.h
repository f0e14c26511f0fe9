#pragma once

// The main window's controls, by their names, handed to the classes that
// hold the window's behaviour. The window creates and owns them.

#include "widgets/Controls.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

struct CaptureControls {
    QGroupBox *Frame1 = nullptr;
    DropDownList *cmbSnapMode = nullptr;
    QGroupBox *Frame12 = nullptr;
    DropDownList *CmbSnapTime = nullptr;
    QGroupBox *Frame5 = nullptr;
    DropDownList *cmbSource = nullptr;
    QCheckBox *chkVidOut = nullptr;
    QGroupBox *Frame2 = nullptr;
    DropDownList *CmbSize = nullptr;
    QGroupBox *Frame3 = nullptr;
    DropDownList *cmbColor = nullptr;
    QCheckBox *chkNegative = nullptr;
    QCheckBox *chkOptimized = nullptr;
    QGroupBox *Frame4 = nullptr;
    DropDownList *cmbSnapMethod = nullptr;
    QGroupBox *Frame15 = nullptr;
    DropDownList *cmbProcessFilter = nullptr;
    QGroupBox *Frame16 = nullptr;
    OptionButton *optNoSave = nullptr;
    OptionButton *opSameName = nullptr;
    OptionButton *optIncremental = nullptr;
    QPushButton *cmdFileInfo = nullptr;
    QGroupBox *Frame17 = nullptr;
    QLabel *lblPath = nullptr;
    QGroupBox *Frame18 = nullptr;
    QLabel *lblProgressBar = nullptr;
    ProgressBar *prgBar = nullptr;
    PictureBox *imgDisplay = nullptr;
    PictureBox *imgTemp = nullptr;
    QLabel *lblNextSnap = nullptr;
    QTimer *tmrDelaySnap = nullptr;
    QTimer *tmrprogressbaraquire = nullptr;
    AdjustmentSlider *sldBright = nullptr;
    AdjustmentSlider *sldContrast = nullptr;
    AdjustmentSlider *sldGamma = nullptr;
    AdjustmentSlider *sldSharpness = nullptr;
    AdjustmentSlider *sldSaturation = nullptr;
    AdjustmentSlider *sldTint = nullptr;
    AdjustmentSlider *sldRed = nullptr;
    AdjustmentSlider *sldGreen = nullptr;
    AdjustmentSlider *sldBlue = nullptr;
};
