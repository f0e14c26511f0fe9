#pragma once

// The kernel's virtual video driver as the tests see it from outside the
// program: what another program finds on its device node, and the faults
// the driver can be made to show. Each question opens the node afresh and
// closes it again, so the tests never keep the device in use by accident.

#include <QtCore>

#include <linux/videodev2.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <optional>

// Whether another program streams from the device at the node: whether
// another handle than a fresh one of this process's owns the device's frame
// buffers. Asking to free buffers this handle never had changes nothing,
// and the driver refuses it while another owns them.
inline bool othersStream(const QString &node)
{
    QFile handle(node);
    v4l2_requestbuffers none{};
    none.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    none.memory = V4L2_MEMORY_MMAP;
    return handle.open(QIODevice::ReadWrite | QIODevice::ExistingOnly) &&
           ::ioctl(handle.handle(), VIDIOC_REQBUFS, &none) != 0 && errno == EBUSY;
}

// The video device nodes this process has open.
inline qsizetype openVideoNodes()
{
    return std::ranges::count_if(
        QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::NoDotAndDotDot),
        [](const QFileInfo &handle) { return handle.symLinkTarget().startsWith("/dev/video"); });
}

// The virtual driver's device, which scripts/vivid-vm gives one node: where
// that node is, its input, mode and controls as v4l2-ctl sets and tells
// them, and its removal and return as a real unplug and replug, through
// sysfs.
class VividDevice {
public:
    explicit VividDevice(const QString &node)
        : m_sysfsDevice(QFileInfo(QStringLiteral("/sys/class/video4linux/%1/device")
                                      .arg(QFileInfo(node).fileName()))
                            .canonicalFilePath())
    {
    }

    bool isVivid() const { return QFileInfo(m_sysfsDevice).fileName().startsWith("vivid"); }

    // The node the device sits at now; none while it is unplugged.
    QString node() const
    {
        const QStringList nodes = QDir(m_sysfsDevice + "/video4linux").entryList({"video*"});
        return nodes.isEmpty() ? QString() : QStringLiteral("/dev/") + nodes.front();
    }

    // Asks v4l2-ctl to change the node: whether it did.
    bool v4l2ctl(const QStringList &arguments) const { return bool(answer(arguments)); }
    // Sets one of the driver's controls, as "disconnect=1".
    bool setControl(const QString &setting) const { return v4l2ctl({"--set-ctrl=" + setting}); }
    // What v4l2-ctl tells of the node's field, as "640/480" for
    // Width/Height; empty where it could not tell.
    QString field(const char *option, const QString &name) const
    {
        return QRegularExpression(name + QStringLiteral("\\s*: (\\S+)"))
            .match(answer({QLatin1String(option)}).value_or(QString()))
            .captured(1);
    }

    bool unplug() const { return tellDriver("unbind"); }
    bool plugIn() const { return tellDriver("bind"); }

private:
    std::optional<QString> answer(const QStringList &arguments) const
    {
        QProcess tool;
        tool.start("v4l2-ctl", QStringList{"-d", node()} + arguments);
        if (!tool.waitForFinished() || tool.exitStatus() != QProcess::NormalExit ||
            tool.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(tool.readAllStandardOutput());
    }

    bool tellDriver(const char *what) const
    {
        QFile control(QStringLiteral("/sys/bus/platform/drivers/vivid/") + QLatin1String(what));
        // Unbuffered, so that the driver's refusal is the write's own result.
        return control.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
               control.write(QFileInfo(m_sysfsDevice).fileName().toUtf8()) > 0;
    }

    QString m_sysfsDevice;
};
