#pragma once

// The kernel's virtual video driver as the tests see it from outside the
// program: what another program finds on its device node, and the faults
// the driver can be made to show. Each question opens the node afresh and
// closes it again, so the tests never keep the device in use by accident.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSize>
#include <QString>

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

// A handle of its own on a video device node.
class NodeHandle {
public:
    explicit NodeHandle(const QString &path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC))
    {
    }
    ~NodeHandle()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    NodeHandle(const NodeHandle &) = delete;
    NodeHandle &operator=(const NodeHandle &) = delete;

    bool isOpen() const { return m_fd >= 0; }

    // The card's name and bus, which stay the same when the device comes
    // back under another node; empty where the node holds no device.
    std::pair<QString, QString> identity() const
    {
        v4l2_capability caps{};
        if (!request(VIDIOC_QUERYCAP, &caps))
            return {};
        return {QString::fromUtf8(reinterpret_cast<const char *>(caps.card)),
                QString::fromUtf8(reinterpret_cast<const char *>(caps.bus_info))};
    }

    std::optional<int> input() const
    {
        int index = -1;
        return request(VIDIOC_G_INPUT, &index) ? std::optional(index) : std::nullopt;
    }
    bool setInput(int index) const { return request(VIDIOC_S_INPUT, &index); }

    QSize frameSize() const
    {
        v4l2_format format{};
        format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (!request(VIDIOC_G_FMT, &format))
            return {};
        return QSize(int(format.fmt.pix.width), int(format.fmt.pix.height));
    }
    bool setFrameSize(QSize size) const
    {
        v4l2_format format{};
        format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (!request(VIDIOC_G_FMT, &format))
            return false;
        format.fmt.pix.width = __u32(size.width());
        format.fmt.pix.height = __u32(size.height());
        return request(VIDIOC_S_FMT, &format) && frameSize() == size;
    }

    // Whether another handle owns the device's frame buffers, as a program
    // that streams does. Asking to free buffers this handle never had
    // changes nothing, and the driver refuses it while another owns them.
    bool othersStream() const
    {
        v4l2_requestbuffers none{};
        none.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        none.memory = V4L2_MEMORY_MMAP;
        return !request(VIDIOC_REQBUFS, &none) && errno == EBUSY;
    }

private:
    bool request(unsigned long what, void *argument) const
    {
        if (m_fd < 0)
            return false;
        int result;
        do
            result = ::ioctl(m_fd, what, argument);
        while (result < 0 && errno == EINTR);
        return result == 0;
    }

    int m_fd;
};

// The video device nodes this process has open.
inline QStringList openVideoNodes()
{
    QStringList nodes;
    const QDir handles(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo &handle : handles.entryInfoList(QDir::System | QDir::NoDotAndDotDot))
        if (handle.symLinkTarget().startsWith(QLatin1String("/dev/video")))
            nodes << handle.symLinkTarget();
    return nodes;
}

// The virtual driver's device: where its node is, its controls, and its
// removal and return as a real unplug and replug, through sysfs.
class VividDevice {
public:
    explicit VividDevice(const QString &node)
        : m_identity(NodeHandle(node).identity())
        , m_sysfsDevice(sysfsLink(node, "device"))
        , m_driver(sysfsLink(node, "device/driver"))
    {
    }

    bool isVivid() const
    {
        return m_identity.first == QLatin1String("vivid") && !m_sysfsDevice.isEmpty() &&
               !m_driver.isEmpty();
    }

    // The node the device sits at now, found by its name and bus.
    QString node() const
    {
        const QStringList nodes =
            QDir(QStringLiteral("/dev")).entryList({QStringLiteral("video*")}, QDir::System);
        for (const QString &name : nodes) {
            const QString path = QStringLiteral("/dev/") + name;
            if (NodeHandle(path).identity() == m_identity)
                return path;
        }
        return {};
    }

    // Sets a control by the name the driver lists it under.
    bool setControl(const QString &name, int value) const
    {
        return QProcess::execute(QStringLiteral("v4l2-ctl"),
                                 {QStringLiteral("-d"), node(), QStringLiteral("--set-ctrl"),
                                  QStringLiteral("%1=%2").arg(name).arg(value)}) == 0;
    }

    bool unplug() const { return tellDriver("unbind"); }
    bool plugIn() const { return tellDriver("bind"); }

private:
    static QString sysfsLink(const QString &node, const char *link)
    {
        return QFileInfo(QStringLiteral("/sys/class/video4linux/%1/%2")
                             .arg(QFileInfo(node).fileName(), QLatin1String(link)))
            .canonicalFilePath();
    }

    bool tellDriver(const char *what) const
    {
        QFile control(m_driver + QLatin1Char('/') + QLatin1String(what));
        // Unbuffered, so that the driver's refusal is the write's own result.
        return control.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
               control.write(QFileInfo(m_sysfsDevice).fileName().toUtf8()) > 0;
    }

    std::pair<QString, QString> m_identity;
    QString m_sysfsDevice;
    QString m_driver;
};
