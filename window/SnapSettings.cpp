#include "window/SnapSettings.h"

#include <array>
#include <utility>

using snappy::Boolean;
using snappy::DispId;

namespace {

constexpr int EntryCount = 4;

struct SourceEntry {
    Boolean live;
    Boolean color;
};
constexpr std::array<SourceEntry, EntryCount> Sources{{
    {Boolean::True, Boolean::True},
    {Boolean::True, Boolean::False},
    {Boolean::False, Boolean::True},
    {Boolean::False, Boolean::False},
}};
constexpr std::array<qint16, EntryCount> ColorDepths{4, 8, 16, 24};
constexpr std::array<qint16, EntryCount> SnapWidths{160, 320, 640, 800};

bool isEntry(int index)
{
    return index >= 0 && index < EntryCount;
}

qint16 checkValue(const QCheckBox *box)
{
    return box->isChecked() ? 1 : 0;
}

} // namespace

SnapStarter::SnapStarter(CaptureControls &controls, snappy::SnappyDevice &device,
                         AcquisitionProgress &progress)
    : m_controls(controls)
    , m_device(device)
    , m_progress(progress)
{
}

void SnapStarter::SnapSettings()
{
    if (const int source = m_controls.cmbSource->currentIndex(); isEntry(source)) {
        m_device.writeProperty(DispId::LiveSource, Sources[source].live);
        m_device.writeProperty(DispId::ColorSource, Sources[source].color);
    }
    if (const int color = m_controls.cmbColor->currentIndex(); isEntry(color))
        m_device.writeProperty(DispId::ColorDepth, ColorDepths[color]);
    if (const int size = m_controls.CmbSize->currentIndex(); isEntry(size))
        m_device.writeProperty(DispId::SnapWidth, SnapWidths[size]);
    m_device.writeProperty(DispId::OptimizedPalette, checkValue(m_controls.chkOptimized));
    m_device.writeProperty(DispId::ProcessFilter,
                           static_cast<qint16>(m_controls.cmbProcessFilter->currentIndex()));
    m_device.writeProperty(DispId::SnapMethod,
                           static_cast<qint16>(m_controls.cmbSnapMethod->currentIndex()));
    m_device.writeProperty(DispId::VideoOut, checkValue(m_controls.chkVidOut));

    const std::array<std::pair<DispId, AdjustmentSlider *>, 9> adjustments{{
        {DispId::Blue, m_controls.sldBlue},
        {DispId::Bright, m_controls.sldBright},
        {DispId::Contrast, m_controls.sldContrast},
        {DispId::Gamma, m_controls.sldGamma},
        {DispId::Green, m_controls.sldGreen},
        {DispId::Red, m_controls.sldRed},
        {DispId::Saturation, m_controls.sldSaturation},
        {DispId::Sharpness, m_controls.sldSharpness},
        {DispId::Tint, m_controls.sldTint},
    }};
    for (const auto &[id, slider] : adjustments)
        m_device.writeProperty(id, static_cast<qint32>(-slider->value()));

    m_device.writeProperty(DispId::Negative, checkValue(m_controls.chkNegative));
    m_progress.startAcquisition();
    m_device.call(snappy::Method::Snap);
}
