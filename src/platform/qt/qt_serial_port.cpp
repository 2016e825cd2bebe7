#include "platform/qt/qt_serial_port.h"

#include <poll.h>
#include <unistd.h>

#include <QMetaObject>
#include <QSerialPort>
#include <QString>
#include <cerrno>
#include <system_error>
#include <utility>

#include "platform/error.h"
#include "platform/line_settings.h"

namespace veltrano {
namespace {

std::string Text(const QString& text) { return text.toLocal8Bit().toStdString(); }

// Whether a write would go to the device at once. When it would not, Qt keeps the bytes and
// writes them once the device drains; writing now would fail with "try again", which Qt takes
// for a lost device. A hung-up device counts as ready, so that its refusal shows.
bool DeviceTakesOutputNow(int descriptor) {
  pollfd wanted{descriptor, POLLOUT, 0};
  return poll(&wanted, 1, 0) == 1 && (wanted.revents & (POLLOUT | POLLERR | POLLHUP)) != 0;
}

}  // namespace

QtSerialPort::QtSerialPort(std::unique_ptr<SystemSerialDevices> devices)
    : devices_(std::move(devices)), port_(std::make_unique<QSerialPort>()) {
  // The port is opened for reading as well, so that Qt watches it and notices a hang-up between
  // writes; nothing is ever read from it.
  QObject::connect(port_.get(), &QSerialPort::readyRead, port_.get(), [this] { port_->readAll(); });
  QObject::connect(port_.get(), &QSerialPort::errorOccurred, port_.get(),
                   [this](QSerialPort::SerialPortError error) {
                     if (error != QSerialPort::NoError) lastError_ = Text(port_->errorString());
                     if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
                         error == QSerialPort::WriteError) {
                       CloseAfterFailure();
                     }
                   });
}

QtSerialPort::~QtSerialPort() { QObject::disconnect(port_.get(), nullptr, nullptr, nullptr); }

void QtSerialPort::ChangeBaud(std::int32_t baud) {
  try {
    ApplyLineSettings(baud);
  } catch (const Error&) {
    // The device keeps the settings it had; the first refusal is the one worth reporting.
    try {
      ApplyLineSettings(Baud());
    } catch (const Error&) {
    }
    throw;
  }
}

void QtSerialPort::Close() { port_->close(); }

void QtSerialPort::Open() {
  // A link whose device has gone still counts: the person chose it, so its absence is reported
  // rather than quietly falling back to another device.
  const std::filesystem::path link = LinkPath();
  std::error_code ignored;
  const bool linked = std::filesystem::exists(std::filesystem::symlink_status(link, ignored));
  device_ = linked ? link : devices_->DeviceOf(CommPortNumber());
  port_->setPortName(QString::fromStdString(device_.string()));
  ApplyLineSettings(Baud());
  if (port_->open(QIODevice::ReadWrite)) {
    // What a link names is taken as it is: a USB adapter's driver may report an unknown type too.
    if (linked || !devices_->UartMissing(static_cast<int>(port_->handle()))) return;
    port_->close();
    throw Error(Describe() + ": no such device (no UART behind it)");
  }

  const std::string reason = Text(port_->errorString());
  switch (port_->error()) {
    case QSerialPort::DeviceNotFoundError:
      throw Error(Describe() + ": no such device");
    case QSerialPort::PermissionError:
      // Qt reports a device that another program holds (its lock file, or a busy device) and a
      // device this user may not open alike.
      if (access(device_.c_str(), R_OK | W_OK) != 0) {
        throw Error(Describe() + ": no permission to use the device (" + reason + ")");
      }
      throw Error(Describe() + ": the device is in use (" + reason + ")");
    default:
      throw Error(Describe() + ": cannot open the device (" + reason + ")");
  }
}

bool QtSerialPort::PortOpen() const { return port_->isOpen(); }

void QtSerialPort::Output(std::string_view bytes) {
  if (!port_->isOpen()) throw Error("Port is closed");
  if (bytes.empty()) return;
  // Straight to the device while Qt holds nothing back: a packet that the device takes at once
  // then costs one system call, and Qt's write notifier and the turns of the event loop that it
  // takes are spared at every tick.
  if (port_->bytesToWrite() == 0) {
    const ssize_t written = ::write(port_->handle(), bytes.data(), bytes.size());
    if (written < 0 && errno != EAGAIN && errno != EINTR) {
      const std::string reason = std::generic_category().message(errno);
      CloseAfterFailure();
      throw Error(Describe() + ": write failed (" + reason + ")");
    }
    if (written > 0) bytes.remove_prefix(static_cast<std::size_t>(written));
    if (bytes.empty()) return;
  }
  // The rest waits in Qt's buffer until the device drains.
  const auto size = static_cast<qint64>(bytes.size());
  if (port_->write(bytes.data(), size) != size) {
    throw Error(Describe() + ": write failed (" + Text(port_->errorString()) + ")");
  }
  // Hands the bytes to the device now rather than at the next turn of the event loop, so that a
  // write the device refuses fails here, in the caller's hands.
  if (DeviceTakesOutputNow(port_->handle()) && !port_->flush()) {
    throw Error(Describe() + ": write failed (" + lastError_ + ")");
  }
}

std::filesystem::path QtSerialPort::LinkPath() const {
  std::error_code ignored;
  return std::filesystem::current_path(ignored) / ("COM" + std::to_string(CommPortNumber()));
}

std::string QtSerialPort::Describe() const {
  std::string text = "Serial port COM" + std::to_string(CommPortNumber()) + " (" + device_.string();
  std::error_code notALink;
  const auto target = std::filesystem::read_symlink(device_, notALink);
  if (!notALink) text += " -> " + target.string();
  return text + ")";
}

void QtSerialPort::ApplyLineSettings(std::int32_t baud) {
  const bool applied = port_->setBaudRate(baud) && port_->setDataBits(QSerialPort::Data8) &&
                       port_->setParity(QSerialPort::NoParity) &&
                       port_->setStopBits(QSerialPort::OneStop);
  if (!applied) {
    throw Error(Describe() + ": the device refuses the settings " + LineSettingsText(baud) + " (" +
                Text(port_->errorString()) + ")");
  }
}

void QtSerialPort::CloseAfterFailure() {
  if (!port_->isOpen()) return;
  // At once, from inside Qt's own error report: a port left open on a device that has gone makes
  // Qt retry without pause at full CPU. Qt allows its notifiers to go from inside their events.
  port_->close();
  // The handler may well stop the run and touch this port; it runs from the event loop instead.
  QMetaObject::invokeMethod(
      port_.get(), [this, requests = Requests()] { ReportFailure(requests); },
      Qt::QueuedConnection);
}

}  // namespace veltrano
