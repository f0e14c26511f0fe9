#include "device/gstreamer/V4l2Node.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace device::gst {

namespace {

int retrying(int fd, unsigned long request, void *argument)
{
    int result;
    do
        result = ::ioctl(fd, request, argument);
    while (result < 0 && errno == EINTR);
    return result;
}

QString fixedText(const __u8 *text, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(text),
                             int(strnlen(reinterpret_cast<const char *>(text), size)));
}

} // namespace

InputSelection selectInput(int fd, int input)
{
    v4l2_input second{};
    second.index = 1;
    int chosen = retrying(fd, VIDIOC_ENUMINPUT, &second) == 0 ? input : 0;
    int current = -1;
    if (retrying(fd, VIDIOC_G_INPUT, &current) == 0 && current == chosen)
        return InputSelection::Selected;
    if (retrying(fd, VIDIOC_S_INPUT, &chosen) < 0 && errno == EBUSY)
        return InputSelection::Busy;
    return InputSelection::Selected;
}

bool inputHasSignal(int fd)
{
    v4l2_input input{};
    int index = 0;
    if (retrying(fd, VIDIOC_G_INPUT, &index) < 0)
        return true;
    input.index = __u32(index);
    if (retrying(fd, VIDIOC_ENUMINPUT, &input) < 0)
        return true;
    return (input.status & (V4L2_IN_ST_NO_POWER | V4L2_IN_ST_NO_SIGNAL | V4L2_IN_ST_NO_H_LOCK)) ==
           0;
}

NodeIdentity identityOf(int fd)
{
    v4l2_capability capability{};
    if (retrying(fd, VIDIOC_QUERYCAP, &capability) < 0)
        return {};
    return {fixedText(capability.card, sizeof capability.card),
            fixedText(capability.bus_info, sizeof capability.bus_info)};
}

NodeIdentity identityAt(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    const NodeIdentity identity = identityOf(fd);
    ::close(fd);
    return identity;
}

} // namespace device::gst
