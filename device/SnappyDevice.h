#pragma once

// device/ reaches down to core/ only: this contract, what every device
// shares (property store, snap sequencing, processing, the image writers
// and readers, atomic saving, the disk reserve), the stand-in device in
// standin/, the camera device in gstreamer/, and DeviceCatalog.h, which
// finds and opens them.
//
// The capture device contract: the one seam through which the program talks to
// the capture device `Snappy1`. Properties are addressed by their dispatch ids
// and carry exactly typed values; methods take no arguments; the four events
// arrive as signals on the user-interface thread.

#include <QImage>
#include <QObject>
#include <QString>
#include <optional>
#include <variant>

namespace snappy {

enum class DispId : int {
    SaveFileName = 1,
    SaveFileType = 3,
    OptimizedPalette = 5,
    SnapMethod = 11,
    LiveSource = 13,
    ColorSource = 14,
    Negative = 15,
    Tint = 16,
    Saturation = 17,
    Bright = 18,
    Contrast = 19,
    Gamma = 20,
    Sharpness = 21,
    Red = 22,
    Green = 23,
    Blue = 24,
    VideoOut = 25,
    Picture = 30,
    SnapWidth = 31,
    ColorDepth = 33,
    PreviewColor = 53,
    ProcessFilter = 54,
    // Added by this program's devices: True makes SaveSnap refuse to replace
    // anything already under SaveFileName, so that numbered files are never
    // overwritten even by a file another program creates during the save.
    SaveNoReplace = 101,
    // Read after a failed SaveSnap: True when SaveNoReplace refused the save
    // because the name was taken, so the caller may try another name.
    SaveNameTaken = 102,
};

enum class Method : int {
    StartPreview = 38,
    StopPreview = 40,
    SaveSnap = 42,
    ProcessData = 52,
    Snap = 55,
};

// The device's Boolean: a 16-bit value with True = -1, as its callers expect.
enum class Boolean : qint16 { False = 0, True = -1 };

// A property value; the alternative held is the value's exact type.
using Value = std::variant<qint16, qint32, Boolean, QString, QImage>;

enum class ValueType { Int16, Int32, Boolean, String, Picture };

// The failure a device call reports to its caller: empty when the call worked.
using Failure = std::optional<QString>;

QString propertyName(DispId id);
QString methodName(Method method);
ValueType propertyType(DispId id);
ValueType typeOf(const Value &value);
// A readable rendering of a value with its type, for logs and test messages.
QString describe(const Value &value);

class SnappyDevice : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // A write whose value is not of the property's type is refused.
    virtual Failure writeProperty(DispId id, const Value &value) = 0;
    // Reading a property never written yields a default of its type.
    virtual Value readProperty(DispId id) = 0;
    virtual Failure call(Method method) = 0;

    // The picture property, read as the picture object it always holds.
    QImage picture();

    // What the device takes its pictures from, for the user.
    virtual QString deviceName() const = 0;

signals:
    void AcquiringData();
    void ProcessingData();
    void SnapDone();
    void PictureUpdated();

    // The device could not take a picture (missing, busy, unplugged, or
    // silent). A snap it spoils still ends in SnapDone, without a picture.
    void failed(const QString &reason);
};

} // namespace snappy
