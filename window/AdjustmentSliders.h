#pragma once

// The nine picture-adjustment sliders keep their hover tip and drag text in
// step with the setting they stand for, the negated slider position.

#include "window/CaptureControls.h"

#include <QString>
#include <vector>

class AdjustmentSliders {
public:
    explicit AdjustmentSliders(CaptureControls &controls);

    // One handler pair serves all nine sliders; the slider says which.
    void Change(AdjustmentSlider *slider);
    void Scroll(AdjustmentSlider *slider);

    struct Member {
        AdjustmentSlider *slider;
        QString toolTipPrefix;
    };
    const std::vector<Member> &members() const { return m_members; }

private:
    const Member &memberOf(const AdjustmentSlider *slider) const;

    std::vector<Member> m_members;
};

// The setting a slider position stands for, as text.
QString adjustmentText(int sliderValue);
