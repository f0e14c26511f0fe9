#pragma once

// The main window: builds the capture controls, owns the capture state and the
// device `Snappy1`, connects each control to its handler and runs start-up.
// The handlers' behaviour lives in the classes it owns.

#include "app/CaptureControls.h"
#include "app/CaptureState.h"
#include "capture/AcquisitionProgress.h"
#include "capture/DelayedSnapSchedule.h"
#include "capture/SaveFailureNotice.h"
#include "capture/SnapCompletion.h"
#include "capture/SnapModeController.h"
#include "capture/SnappyDevice.h"
#include "output/Prompts.h"
#include "output/SaveMethodOptions.h"
#include "settings/AdjustmentSliders.h"
#include "settings/SnapSettings.h"

#include <QWidget>
#include <memory>

class Lumivane : public QWidget {
    Q_OBJECT
public:
    // Delayed snaps fall due on `clock`; a test passes one it moves itself.
    Lumivane(std::unique_ptr<snappy::SnappyDevice> device, Prompts &prompts,
             QWidget *parent = nullptr, SnapClock clock = steadyClock());
    ~Lumivane() override;

    CaptureState &state() { return m_state; }
    const CaptureControls &controls() const { return m_controls; }
    snappy::SnappyDevice &Snappy1() { return *m_device; }
    SaveFailureNotice &saveFailureNotice() { return m_saveFailureNotice; }

private:
    CaptureControls buildControls();
    void connectHandlers();
    void Form_Load();

    std::unique_ptr<snappy::SnappyDevice> m_device;
    Prompts &m_prompts;
    CaptureState m_state;
    CaptureControls m_controls;
    SaveFailureNotice m_saveFailureNotice;
    AcquisitionProgress m_progress;
    SnapStarter m_starter;
    DelayedSnapSchedule m_schedule;
    SnapModeController m_snapMode;
    SnapCompletion m_completion;
    AdjustmentSliders m_sliders;
    SaveMethodOptions m_saveMethod;
};
