// Transactions on a real serial line: a pseudo-terminal pair with a scripted
// device on the master end, opened through QSerialPort.
#include "DeviceTestSupport.h"
#include "devices/Clock.h"
#include "devices/SerialPort.h"

#include <QElapsedTimer>
#include <QSerialPortInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QThread>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>

namespace {

const QByteArray cRequest = Hex("01 03 00 23 00 04 B5 C3");

class SerialLine : public ::testing::Test
{
protected:
  // A port on Path with the controller bus settings and a generous reply
  // time-out (the time-out itself is tested separately).
  TSerialPort PortOn(const QString& Path, TClock* Clock = nullptr)
  {
    TSerialPort port(TDeviceContext{Clock, nullptr});
    port.Port = Path;
    port.BaudRate = 9600;
    port.StopBits = 2;
    port.WindowsReadLoopTimeoutMS = 10;
    port.ReadoutTimeoutMS = 1000;
    return port;
  }
  TSerialResponse Send(TSerialPort& Port, const QByteArray& Data, bool Wait = true,
                       TSerialResponse R = {})
  {
    return Port.SendData(Data.constData(), unsigned(Data.size()), Wait, std::move(R));
  }
};

TEST_F(SerialLine, ShortReplyFillsTheFirstBytesAndKeepsTheRest)
{
  TPtyPeer peer(TPtyPeer::Answer(8, Bytes({0x41, 0x00, 0xC7})));
  ASSERT_TRUE(peer.Ok()) << peer.Error().toStdString();
  TSerialPort port = PortOn(peer.Path());
  TSerialResponse before;
  before.rArray.fill(0xEE);
  const TSerialResponse r = Send(port, cRequest, true, before);

  ASSERT_EQ(peer.Requests(), QList<QByteArray>{cRequest}); // the bytes on the wire
  EXPECT_EQ(r.Status, QString());
  EXPECT_EQ(r.ResponseLength, 3);
  EXPECT_EQ(r.rArray[1], 0x41);
  EXPECT_EQ(r.rArray[2], 0x00);
  EXPECT_EQ(r.rArray[3], 0xC7);
  EXPECT_EQ(r.rArray[4], 0xEE);
  EXPECT_EQ(r.rArray[256], 0xEE);
  EXPECT_EQ(r.Response, QString::fromLatin1("A\0\xC7", 3));
  EXPECT_EQ(r.ValueOfFirstWord, 0xEEEE); // bytes 4 and 5, kept from before
}

TEST_F(SerialLine, WordsOfALongerReply)
{
  TPtyPeer peer(TPtyPeer::Answer(8, Hex("01 03 04 12 34 AB CD 00 00")));
  ASSERT_TRUE(peer.Ok());
  TSerialPort port = PortOn(peer.Path());
  const TSerialResponse r = Send(port, cRequest);
  EXPECT_EQ(r.ResponseLength, 9);
  EXPECT_EQ(r.ValueOfFirstWord, 0x1234);
  EXPECT_EQ(r.ValueOfSecondWord, 0xABCD);
}

TEST_F(SerialLine, LineSettings)
{
  // A pseudo-terminal carries no parity (the kernel drops it), so only lines
  // without parity are looked at here.
  struct TCase
  {
    int Baud, StopBits;
    speed_t Speed;
    bool TwoStopBits;
  };
  const TCase cases[] = {{9600, 2, B9600, true},
                         {115200, 2, B115200, true},
                         {19200, 0, B19200, false},
                         {57600, 0, B57600, false}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Baud);
    TPtyPeer peer(TPtyPeer::Answer(8, Bytes({1})));
    ASSERT_TRUE(peer.Ok());
    TSerialPort port = PortOn(peer.Path());
    port.BaudRate = c.Baud;
    port.Parity = 0;
    port.StopBits = c.StopBits;
    ASSERT_EQ(Send(port, cRequest).Status, QString());
    const std::optional<termios> tio = peer.Attributes();
    ASSERT_TRUE(tio.has_value());
    EXPECT_EQ(cfgetospeed(&*tio), c.Speed);
    EXPECT_EQ(tio->c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(tio->c_cflag & PARENB, tcflag_t(0));
    EXPECT_EQ((tio->c_cflag & CSTOPB) != 0, c.TwoStopBits);
    EXPECT_EQ(tio->c_cflag & CRTSCTS, tcflag_t(0));        // no hardware handshake
    EXPECT_EQ(tio->c_iflag & (IXON | IXOFF), tcflag_t(0)); // no software handshake
  }
}

TEST_F(SerialLine, SettingsTheLineRefusesCountAsPortInUse)
{
  // One and a half stop bits with 8 data bits, and codes outside the tables.
  const std::tuple<int, int, int> cases[] = {{9600, 0, 1}, {9600, 7, 2}, {9600, 0, 3}, {0, 0, 2}};
  for (const auto& [baud, parity, stopBits] : cases) {
    TPtyPeer peer(TPtyPeer::Answer(8, Bytes({1})));
    ASSERT_TRUE(peer.Ok());
    TSerialPort port = PortOn(peer.Path());
    port.BaudRate = baud;
    port.Parity = parity;
    port.StopBits = stopBits;
    EXPECT_EQ(Send(port, cRequest).Status, SerialStatus::PortInUse())
        << baud << " " << parity << " " << stopBits;
    EXPECT_TRUE(peer.Requests().isEmpty());
  }
}

TEST_F(SerialLine, WriteOnlyDoesNotWaitOrRead)
{
  TPtyPeer peer(TPtyPeer::Answer(8, Bytes({0x55, 0x55})));
  ASSERT_TRUE(peer.Ok());
  TVirtualClock clock;
  TSerialPort port = PortOn(peer.Path(), &clock);
  TSerialResponse before;
  before.rArray[1] = 7;
  const TSerialResponse r = Send(port, cRequest, false, before);
  EXPECT_EQ(r.Status, QString());
  EXPECT_EQ(r.Response, QString());
  EXPECT_EQ(r.ResponseLength, 0);
  EXPECT_EQ(r.rArray[1], 7);
  EXPECT_EQ(clock.SleptMs(), 0u);
  // The device got the request all the same.
  for (int i = 0; i < 200 && peer.Requests().isEmpty(); ++i) QThread::msleep(5);
  EXPECT_EQ(peer.Requests(), QList<QByteArray>{cRequest});
}

TEST_F(SerialLine, SilentDeviceTimesOut)
{
  TPtyPeer peer(TPtyPeer::Answer(8, {})); // takes the request, never answers
  ASSERT_TRUE(peer.Ok());
  TSerialPort port = PortOn(peer.Path());
  port.ReadoutTimeoutMS = 50;
  TSerialResponse before;
  before.Response = QStringLiteral("old");
  QElapsedTimer timer;
  timer.start();
  const TSerialResponse r = Send(port, cRequest, true, before);
  const qint64 elapsed = timer.elapsed();
  EXPECT_EQ(r.Status, SerialStatus::Timeout());
  EXPECT_EQ(r.Response, QString());
  EXPECT_EQ(r.ResponseLength, 0);
  EXPECT_GE(elapsed, 55); // time-out and the first poll
  EXPECT_LT(elapsed, 5000);
}

TEST_F(SerialLine, ReadEndsAfterTwentyMillisecondsOfSilence)
{
  // 5 ms between the first two pieces (one reply), then a long pause before a
  // third piece, which belongs to no transaction.
  TPtyPeer peer([](const QByteArray& r) -> std::optional<std::vector<TReplyChunk>> {
    if (r.size() < 8) return std::nullopt;
    if (r == cRequest) return std::vector<TReplyChunk>{{0, "AB"}, {5, "CD"}, {250, "late"}};
    return std::vector<TReplyChunk>{{0, "next"}};
  });
  ASSERT_TRUE(peer.Ok());
  TSerialPort port = PortOn(peer.Path());
  TSerialResponse r = Send(port, cRequest);
  EXPECT_EQ(r.Status, QString());
  EXPECT_EQ(r.Response, QStringLiteral("ABCD"));

  // The late piece now waits at the program's end of the line; the next
  // transaction discards it and reads only its own reply.
  for (int i = 0; i < 200 && peer.QueuedAtProgram() < 4; ++i) QThread::msleep(5);
  ASSERT_EQ(peer.QueuedAtProgram(), 4);
  r = Send(port, Hex("02 03 00 23 00 04 B5 F0"));
  EXPECT_EQ(r.Status, QString());
  EXPECT_EQ(r.Response, QStringLiteral("next"));
}

TEST_F(SerialLine, StaleInputIsDiscarded)
{
  TPtyPeer peer(TPtyPeer::Answer(8, Hex("01 03 02 00 07 F9 86")));
  ASSERT_TRUE(peer.Ok());
  // A write confirmation that nobody read, left on the line.
  peer.Inject(Hex("01 10 00 06 00 02 A1 C9"));
  for (int i = 0; i < 200 && peer.QueuedAtProgram() < 8; ++i) QThread::msleep(5);
  ASSERT_EQ(peer.QueuedAtProgram(), 8);
  TSerialPort port = PortOn(peer.Path());
  const TSerialResponse r = Send(port, Hex("01 03 41 39 00 01 40 3B"));
  EXPECT_EQ(r.Status, QString());
  EXPECT_EQ(r.ResponseLength, 7);
  EXPECT_EQ(r.Response, QString::fromLatin1(Hex("01 03 02 00 07 F9 86")));
  EXPECT_EQ(r.ValueOfFirstWord, 7);
}

TEST_F(SerialLine, AtMost256BytesAreRead)
{
  QByteArray reply;
  for (int i = 0; i < 300; ++i) reply.append(char(i & 0xFF));
  TPtyPeer peer(TPtyPeer::Answer(8, reply));
  ASSERT_TRUE(peer.Ok());
  TSerialPort port = PortOn(peer.Path());
  const TSerialResponse r = Send(port, cRequest);
  EXPECT_EQ(r.Status, QString());
  EXPECT_EQ(r.ResponseLength, 256);
  EXPECT_EQ(r.rArray[1], 0);
  EXPECT_EQ(r.rArray[256], 255);
  EXPECT_EQ(r.Response.size(), 256);
}

TEST_F(SerialLine, PortThatDoesNotExist)
{
  // The status is that of any port that cannot be opened; the reason tells
  // a port that is not there from the others.
  QTemporaryDir dir;
  QFile plain(dir.filePath("plain-file"));
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  plain.close();
  const struct
  {
    QString Name;
    TPortOpenFailure Failure;
  } cases[] = {{"/dev/verdane-no-such-port", TPortOpenFailure::NotFound},
               {"COM7", TPortOpenFailure::NotFound}, // /dev/COM7
               {dir.filePath("no-such-dir/ttyUSB0"), TPortOpenFailure::NotFound},
               {QString(), TPortOpenFailure::Other},
               {plain.fileName(), TPortOpenFailure::Other}}; // not a terminal
  for (const auto& c : cases) {
    TSerialPort port = PortOn(c.Name);
    const TSerialResponse r = Send(port, cRequest);
    EXPECT_EQ(r.Status, SerialStatus::PortInUse()) << c.Name.toStdString();
    EXPECT_EQ(r.ResponseLength, 0);
    EXPECT_EQ(r.OpenFailure, c.Failure) << c.Name.toStdString();
  }
}

TEST_F(SerialLine, PortHeldInThisProcessIsInUse)
{
  TPtyPeer peer(TPtyPeer::Answer(8, Bytes({0x55})));
  ASSERT_TRUE(peer.Ok());
  TVirtualClock clock;
  {
    const std::unique_ptr<TSerialLine> held = QtSerialTransport().Open(peer.Path(), clock);
    ASSERT_TRUE(held);
    TSerialPort port = PortOn(peer.Path());
    const TSerialResponse r = Send(port, cRequest);
    EXPECT_EQ(r.Status, SerialStatus::PortInUse());
    EXPECT_EQ(r.OpenFailure, TPortOpenFailure::InUse);
    EXPECT_TRUE(peer.Requests().isEmpty());
    held->Close();
  }
  // Released with the close.
  TSerialPort port = PortOn(peer.Path());
  const TSerialResponse r = Send(port, cRequest);
  EXPECT_EQ(r.Status, QString());
  EXPECT_EQ(r.OpenFailure, TPortOpenFailure::None);
}

TEST_F(SerialLine, PortHeldByAnotherProcessIsInUse)
{
  TPtyPeer peer(TPtyPeer::Answer(8, Bytes({0x55})));
  ASSERT_TRUE(peer.Ok());
  const QByteArray path = peer.Path().toLocal8Bit();
  int toChild[2], toParent[2];
  ASSERT_EQ(::pipe(toChild), 0);
  ASSERT_EQ(::pipe(toParent), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Only async-signal-safe calls here: open and lock the port, report, wait.
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY);
    const char ok = (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) ? 'y' : 'n';
    [[maybe_unused]] ssize_t n = ::write(toParent[1], &ok, 1);
    char c;
    n = ::read(toChild[0], &c, 1);
    ::_exit(0);
  }
  char ok = 0;
  ASSERT_EQ(::read(toParent[0], &ok, 1), 1);
  ASSERT_EQ(ok, 'y');
  TSerialPort port = PortOn(peer.Path());
  const TSerialResponse r = Send(port, cRequest);
  EXPECT_EQ(r.Status, SerialStatus::PortInUse());
  EXPECT_EQ(r.OpenFailure, TPortOpenFailure::InUse);
  const char go = 'g';
  ASSERT_EQ(::write(toChild[1], &go, 1), 1);
  int status = 0;
  ::waitpid(child, &status, 0);
  for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]}) ::close(fd);
  EXPECT_EQ(Send(port, cRequest).Status, QString());
}

TEST_F(SerialLine, TransactionInFlightOnAnotherThreadHoldsThePort)
{
  TPtyPeer peer([](const QByteArray& r) -> std::optional<std::vector<TReplyChunk>> {
    if (r.size() < 8) return std::nullopt;
    return std::vector<TReplyChunk>{{400, Bytes({0x55})}};
  });
  ASSERT_TRUE(peer.Ok());
  TSerialResponse first;
  QThread* worker = QThread::create([&] {
    TSerialPort port = PortOn(peer.Path());
    first = Send(port, cRequest);
  });
  worker->start();
  for (int i = 0; i < 400 && peer.Requests().isEmpty(); ++i) QThread::msleep(5);
  ASSERT_EQ(peer.Requests().size(), 1);
  TSerialPort port = PortOn(peer.Path());
  EXPECT_EQ(Send(port, cRequest).Status, SerialStatus::PortInUse());
  worker->wait();
  delete worker;
  EXPECT_EQ(first.Status, QString());
  EXPECT_EQ(first.ResponseLength, 1);
}

TEST(PortOpenAdvice, WhyAndWhatToDoForAPortTheUserCanMend)
{
  // The group is that of the device file; dialout when there is none to ask.
  QTemporaryFile device;
  ASSERT_TRUE(device.open());
  const QString ownGroup = QString::fromLocal8Bit(::getgrgid(::getegid())->gr_name);
  const struct
  {
    QString Port;
    TPortOpenFailure Failure;
    QString Advice;
  } cases[] = {
      {"/dev/ttyUSB0", TPortOpenFailure::NoPermission,
       "No permission to open /dev/ttyUSB0: add your user to the group dialout and log in again"},
      {device.fileName(), TPortOpenFailure::NoPermission,
       "No permission to open " + device.fileName() + ": add your user to the group " + ownGroup +
           " and log in again"},
      {"/dev/ttyUSB0", TPortOpenFailure::NotFound,
       "/dev/ttyUSB0 does not exist (any more): plug its adapter in, press \"Find ports\" and "
       "pick the port again"},
      {"/dev/ttyUSB0", TPortOpenFailure::InUse, QString()},
      {"/dev/ttyUSB0", TPortOpenFailure::Other, QString()},
      {"/dev/ttyUSB0", TPortOpenFailure::None, QString()},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PortOpenAdvice(c.Port, c.Failure), c.Advice) << c.Advice.toStdString();
}

TEST(CommPorts, SystemPortsThenExtraPortsWithoutDuplicates)
{
  const QByteArray saved = qgetenv("VERDANE_EXTRA_PORTS");
  QStringList system;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
    if (!system.contains(info.systemLocation())) system.append(info.systemLocation());

  QString extra = QStringLiteral("/dev/pts/91::/tmp/ttyV0:/dev/pts/91:tcp-bridge");
  if (!system.isEmpty()) extra += u':' + system.first();
  qputenv("VERDANE_EXTRA_PORTS", extra.toLocal8Bit());
  const QStringList ports = GetExistingCommPorts();
  EXPECT_EQ(ports, system + QStringList({"/dev/pts/91", "/tmp/ttyV0", "tcp-bridge"}));

  qunsetenv("VERDANE_EXTRA_PORTS");
  EXPECT_EQ(GetExistingCommPorts(), system);
  if (!saved.isNull()) qputenv("VERDANE_EXTRA_PORTS", saved);
}

} // namespace
