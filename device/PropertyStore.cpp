#include "device/PropertyStore.h"

#include <QStringList>

#include <array>

namespace device {

using snappy::DispId;
using snappy::Value;

namespace {

QString typeName(snappy::ValueType type)
{
    switch (type) {
    case snappy::ValueType::Int16: return QStringLiteral("a 16-bit integer");
    case snappy::ValueType::Int32: return QStringLiteral("a 32-bit integer");
    case snappy::ValueType::Boolean: return QStringLiteral("a Boolean");
    case snappy::ValueType::String: return QStringLiteral("a string");
    case snappy::ValueType::Picture: return QStringLiteral("a picture");
    }
    return {};
}

// The values a numeric property accepts; empty for properties that take any.
QList<int> acceptedValues(DispId id)
{
    switch (id) {
    case DispId::SnapWidth: return {160, 320, 640, 800};
    case DispId::ColorDepth: return {4, 8, 16, 24};
    case DispId::SnapMethod: return {0, 1, 2, 3};
    case DispId::ProcessFilter: return {0, 1, 2};
    case DispId::OptimizedPalette:
    case DispId::Negative:
    case DispId::VideoOut:
    case DispId::PreviewColor: return {0, 1};
    default: return {};
    }
}

constexpr int adjustmentLimit = 50;

bool isAdjustment(DispId id)
{
    return snappy::propertyType(id) == snappy::ValueType::Int32;
}

snappy::Failure checkRange(DispId id, const Value &value)
{
    if (isAdjustment(id)) {
        const qint32 v = std::get<qint32>(value);
        if (v < -adjustmentLimit || v > adjustmentLimit)
            return QStringLiteral("%1 cannot be %2: it takes -%3 to %3")
                .arg(snappy::propertyName(id))
                .arg(v)
                .arg(adjustmentLimit);
        return std::nullopt;
    }
    const QList<int> accepted = acceptedValues(id);
    if (accepted.isEmpty())
        return std::nullopt;
    const int v = std::get<qint16>(value);
    if (accepted.contains(v))
        return std::nullopt;
    QStringList names;
    for (int a : accepted)
        names << QString::number(a);
    const QString last = names.takeLast();
    return QStringLiteral("%1 cannot be %2: it takes %3 or %4")
        .arg(snappy::propertyName(id))
        .arg(v)
        .arg(names.join(QStringLiteral(", ")), last);
}

Value defaultValue(DispId id)
{
    switch (id) {
    case DispId::SaveFileType: return QStringLiteral("bmp");
    case DispId::LiveSource:
    case DispId::ColorSource: return snappy::Boolean::True;
    case DispId::SnapWidth: return qint16(640);
    case DispId::ColorDepth: return qint16(24);
    case DispId::PreviewColor: return qint16(1);
    case DispId::ProcessFilter: return qint16(1);
    default: break;
    }
    switch (snappy::propertyType(id)) {
    case snappy::ValueType::Int16: return qint16(0);
    case snappy::ValueType::Int32: return qint32(0);
    case snappy::ValueType::Boolean: return snappy::Boolean::False;
    case snappy::ValueType::String: return QString();
    case snappy::ValueType::Picture: return QImage();
    }
    return qint16(0);
}

} // namespace

snappy::Failure PropertyStore::write(DispId id, const Value &value)
{
    const snappy::ValueType expected = snappy::propertyType(id);
    if (snappy::typeOf(value) != expected)
        return QStringLiteral("%1 takes %2, not %3")
            .arg(snappy::propertyName(id), typeName(expected), snappy::describe(value));
    if (auto refused = checkRange(id, value))
        return refused;
    m_values.insert(id, value);
    return std::nullopt;
}

Value PropertyStore::read(DispId id) const
{
    const auto found = m_values.constFind(id);
    return found != m_values.cend() ? *found : defaultValue(id);
}

qint16 PropertyStore::int16(DispId id) const
{
    return std::get<qint16>(read(id));
}

qint32 PropertyStore::int32(DispId id) const
{
    return std::get<qint32>(read(id));
}

bool PropertyStore::isTrue(DispId id) const
{
    return std::get<snappy::Boolean>(read(id)) == snappy::Boolean::True;
}

CaptureSettings PropertyStore::captureSettings() const
{
    static constexpr std::array qualities{ScaleQuality::Fast, ScaleQuality::Normal,
                                          ScaleQuality::High};
    CaptureSettings s;
    s.width = int16(DispId::SnapWidth);
    s.colorDepth = int16(DispId::ColorDepth);
    s.optimizedPalette = int16(DispId::OptimizedPalette) == 1;
    s.method = int16(DispId::SnapMethod);
    s.source = isTrue(DispId::LiveSource) ? SourceKind::Live : SourceKind::Tape;
    s.colour = isTrue(DispId::ColorSource);
    s.negative = int16(DispId::Negative) == 1;
    s.filter = qualities.at(int16(DispId::ProcessFilter));
    s.adjustments.bright = int32(DispId::Bright);
    s.adjustments.contrast = int32(DispId::Contrast);
    s.adjustments.gamma = int32(DispId::Gamma);
    s.adjustments.sharpness = int32(DispId::Sharpness);
    s.adjustments.saturation = int32(DispId::Saturation);
    s.adjustments.tint = int32(DispId::Tint);
    s.adjustments.red = int32(DispId::Red);
    s.adjustments.green = int32(DispId::Green);
    s.adjustments.blue = int32(DispId::Blue);
    return s;
}

PreviewSettings PropertyStore::previewSettings() const
{
    PreviewSettings s;
    s.source = isTrue(DispId::LiveSource) ? SourceKind::Live : SourceKind::Tape;
    s.colour = isTrue(DispId::ColorSource) && int16(DispId::PreviewColor) == 1;
    return s;
}

} // namespace device
