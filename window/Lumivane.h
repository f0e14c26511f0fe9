#pragma once

// window/ reaches down to every layer but timelapse/ and program/: this
// window and its behaviours, each in a class of its own (snap modes, delayed
// snaps, progress, completion, the save notice, sliders, snap settings, save
// options).
//
// The main window: builds the capture controls, owns the capture state and the
// device `Snappy1`, connects each control to its handler and runs start-up.
// The handlers' behaviour lives in the classes it owns.

#include "core/CaptureState.h"
#include "device/SnappyDevice.h"
#include "widgets/Prompts.h"
#include "window/AcquisitionProgress.h"
#include "window/AdjustmentSliders.h"
#include "window/CaptureControls.h"
#include "window/DelayedSnapSchedule.h"
#include "window/SaveFailureNotice.h"
#include "window/SaveMethodOptions.h"
#include "window/SnapCompletion.h"
#include "window/SnapModeController.h"
#include "window/SnapSettings.h"

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
