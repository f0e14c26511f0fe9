#include "window/AdjustmentSliders.h"

#include <algorithm>

QString adjustmentText(int sliderValue)
{
    return QString::number(-static_cast<qint32>(sliderValue));
}

AdjustmentSliders::AdjustmentSliders(CaptureControls &controls)
    : m_members{
          {controls.sldBright, QStringLiteral("Brightnes value ")},
          {controls.sldContrast, QStringLiteral("Contrast value ")},
          {controls.sldGamma, QStringLiteral("Gamma value ")},
          {controls.sldSharpness, QStringLiteral("Sharpness value ")},
          {controls.sldSaturation, QStringLiteral("Saturation value ")},
          {controls.sldTint, QStringLiteral("Tint value ")},
          {controls.sldRed, QStringLiteral("Red value ")},
          {controls.sldGreen, QStringLiteral("Green value ")},
          {controls.sldBlue, QStringLiteral("Blue value ")},
      }
{
}

void AdjustmentSliders::Change(AdjustmentSlider *slider)
{
    slider->setToolTip(memberOf(slider).toolTipPrefix + adjustmentText(slider->value()));
}

void AdjustmentSliders::Scroll(AdjustmentSlider *slider)
{
    // While the thumb moves, its position is ahead of the value.
    slider->setDragText(adjustmentText(slider->sliderPosition()));
}

const AdjustmentSliders::Member &AdjustmentSliders::memberOf(const AdjustmentSlider *slider) const
{
    return *std::find_if(m_members.begin(), m_members.end(),
                         [slider](const Member &member) { return member.slider == slider; });
}
