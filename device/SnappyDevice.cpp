#include "device/SnappyDevice.h"

namespace snappy {

QString propertyName(DispId id)
{
    switch (id) {
    case DispId::SaveFileName: return QStringLiteral("SaveFileName");
    case DispId::SaveFileType: return QStringLiteral("SaveFileType");
    case DispId::OptimizedPalette: return QStringLiteral("OptimizedPalette");
    case DispId::SnapMethod: return QStringLiteral("SnapMethod");
    case DispId::LiveSource: return QStringLiteral("LiveSource");
    case DispId::ColorSource: return QStringLiteral("ColorSource");
    case DispId::Negative: return QStringLiteral("Negative");
    case DispId::Tint: return QStringLiteral("Tint");
    case DispId::Saturation: return QStringLiteral("Saturation");
    case DispId::Bright: return QStringLiteral("Bright");
    case DispId::Contrast: return QStringLiteral("Contrast");
    case DispId::Gamma: return QStringLiteral("Gamma");
    case DispId::Sharpness: return QStringLiteral("Sharpness");
    case DispId::Red: return QStringLiteral("Red");
    case DispId::Green: return QStringLiteral("Green");
    case DispId::Blue: return QStringLiteral("Blue");
    case DispId::VideoOut: return QStringLiteral("VideoOut");
    case DispId::Picture: return QStringLiteral("Picture");
    case DispId::SnapWidth: return QStringLiteral("SnapWidth");
    case DispId::ColorDepth: return QStringLiteral("ColorDepth");
    case DispId::PreviewColor: return QStringLiteral("PreviewColor");
    case DispId::ProcessFilter: return QStringLiteral("ProcessFilter");
    case DispId::SaveNoReplace: return QStringLiteral("SaveNoReplace");
    case DispId::SaveNameTaken: return QStringLiteral("SaveNameTaken");
    }
    return QStringLiteral("DispId %1").arg(static_cast<int>(id));
}

QString methodName(Method method)
{
    switch (method) {
    case Method::StartPreview: return QStringLiteral("StartPreview");
    case Method::StopPreview: return QStringLiteral("StopPreview");
    case Method::SaveSnap: return QStringLiteral("SaveSnap");
    case Method::ProcessData: return QStringLiteral("ProcessData");
    case Method::Snap: return QStringLiteral("Snap");
    }
    return QStringLiteral("Method %1").arg(static_cast<int>(method));
}

ValueType propertyType(DispId id)
{
    switch (id) {
    case DispId::SaveFileName:
    case DispId::SaveFileType: return ValueType::String;
    case DispId::LiveSource:
    case DispId::ColorSource:
    case DispId::SaveNoReplace:
    case DispId::SaveNameTaken: return ValueType::Boolean;
    case DispId::Tint:
    case DispId::Saturation:
    case DispId::Bright:
    case DispId::Contrast:
    case DispId::Gamma:
    case DispId::Sharpness:
    case DispId::Red:
    case DispId::Green:
    case DispId::Blue: return ValueType::Int32;
    case DispId::Picture: return ValueType::Picture;
    case DispId::OptimizedPalette:
    case DispId::SnapMethod:
    case DispId::Negative:
    case DispId::VideoOut:
    case DispId::SnapWidth:
    case DispId::ColorDepth:
    case DispId::PreviewColor:
    case DispId::ProcessFilter: return ValueType::Int16;
    }
    return ValueType::Int16;
}

ValueType typeOf(const Value &value)
{
    return static_cast<ValueType>(value.index());
}

QString describe(const Value &value)
{
    struct Describer {
        QString operator()(qint16 v) const { return QStringLiteral("int16 %1").arg(v); }
        QString operator()(qint32 v) const { return QStringLiteral("int32 %1").arg(v); }
        QString operator()(Boolean v) const
        {
            return v == Boolean::True ? QStringLiteral("True") : QStringLiteral("False");
        }
        QString operator()(const QString &v) const { return QStringLiteral("\"%1\"").arg(v); }
        QString operator()(const QImage &v) const
        {
            return QStringLiteral("picture %1x%2").arg(v.width()).arg(v.height());
        }
    };
    return std::visit(Describer{}, value);
}

QImage SnappyDevice::picture()
{
    const Value value = readProperty(DispId::Picture);
    if (const auto *image = std::get_if<QImage>(&value))
        return *image;
    return {};
}

} // namespace snappy
