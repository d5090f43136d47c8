#include "devices/DeviceFaults.h"

#include <QStringList>
#include <array>
#include <cmath>
#include <utility>

namespace {

constexpr std::array<std::pair<const char*, TFaultDevice>, 4> cDevices{{
    {"relay", TFaultDevice::RelayBoard},
    {"mfc1", TFaultDevice::Controller1},
    {"mfc2", TFaultDevice::Controller2},
    {"mfc", TFaultDevice::ControllerBus},
}};

constexpr std::array<std::pair<const char*, TFaultKind>, 7> cKinds{{
    {"silent", TFaultKind::Silent},
    {"slow", TFaultKind::Slow},
    {"short", TFaultKind::Short},
    {"corrupt", TFaultKind::Corrupt},
    {"exception", TFaultKind::Exception},
    {"other-address", TFaultKind::OtherAddress},
    {"gone", TFaultKind::Gone},
}};

std::optional<TDeviceFault> Fail(QString* Error, const QString& Reason)
{
  if (Error) *Error = Reason;
  return std::nullopt;
}

// A whole number in Min..Max.
bool ParseInt(const QString& Text, int Min, int Max, int& Value)
{
  bool ok = false;
  const int v = Text.toInt(&ok);
  if (!ok || v < Min || v > Max) return false;
  Value = v;
  return true;
}

// Seconds: finite, not negative, at most about a year.
bool ParseSeconds(const QString& Text, double& Value)
{
  bool ok = false;
  const double v = Text.toDouble(&ok);
  if (!ok || !std::isfinite(v) || v < 0 || v > 3.2e7) return false;
  Value = v;
  return true;
}

bool IsController(TFaultDevice D)
{
  return D != TFaultDevice::RelayBoard;
}

} // namespace

std::optional<TDeviceFault> ParseDeviceFault(const QString& Text, QString* Error)
{
  const QStringList parts = Text.trimmed().split(u':');
  if (parts.size() < 2)
    return Fail(Error,
                QStringLiteral("a fault is DEVICE:KIND[:OPTION=VALUE...], not \"%1\"").arg(Text));
  TDeviceFault fault;
  bool found = false;
  for (const auto& [name, device] : cDevices)
    if (parts[0] == QLatin1String(name)) {
      fault.Device = device;
      found = true;
    }
  if (!found)
    return Fail(Error,
                QStringLiteral("unknown device \"%1\" (relay, mfc1, mfc2 or mfc)").arg(parts[0]));
  found = false;
  for (const auto& [name, kind] : cKinds)
    if (parts[1] == QLatin1String(name)) {
      fault.Kind = kind;
      found = true;
    }
  if (!found)
    return Fail(Error, QStringLiteral("unknown fault \"%1\" (silent, slow, short, corrupt, "
                                      "exception, other-address or gone)")
                           .arg(parts[1]));
  if ((fault.Kind == TFaultKind::Exception || fault.Kind == TFaultKind::OtherAddress) &&
      !IsController(fault.Device))
    return Fail(
        Error,
        QStringLiteral("%1 is a fault of the controllers (mfc1, mfc2 or mfc)").arg(parts[1]));
  if (fault.Kind == TFaultKind::Gone && fault.Device != TFaultDevice::RelayBoard &&
      fault.Device != TFaultDevice::ControllerBus)
    return Fail(Error, QStringLiteral("gone takes a whole line away: relay or mfc"));

  for (qsizetype i = 2; i < parts.size(); ++i) {
    const QString key = parts[i].section(u'=', 0, 0);
    const QString value = parts[i].section(u'=', 1);
    bool ok = parts[i].contains(u'=');
    if (ok && key == QLatin1String("from"))
      ok = ParseInt(value, 1, 1000000000, fault.FromRequest);
    else if (ok && key == QLatin1String("after"))
      ok = ParseSeconds(value, fault.AfterS);
    else if (ok && key == QLatin1String("for"))
      ok = ParseSeconds(value, fault.ForS);
    else if (ok && key == QLatin1String("bytes") && fault.Kind == TFaultKind::Short)
      ok = ParseInt(value, 0, 255, fault.ShortBytes);
    else if (ok && key == QLatin1String("delay") && fault.Kind == TFaultKind::Slow)
      ok = ParseInt(value, 1, 60000, fault.SlowMs);
    else if (ok && key == QLatin1String("byte") && fault.Kind == TFaultKind::Corrupt)
      ok = ParseInt(value, 0, 255, fault.CorruptByte);
    else
      ok = false;
    if (!ok) return Fail(Error, QStringLiteral("bad option \"%1\" in \"%2\"").arg(parts[i], Text));
  }
  return fault;
}

QString DeviceFaultText(const TDeviceFault& Fault)
{
  QString text;
  for (const auto& [name, device] : cDevices)
    if (device == Fault.Device) text = QLatin1String(name);
  for (const auto& [name, kind] : cKinds)
    if (kind == Fault.Kind) text += u':' + QLatin1String(name);
  if (Fault.FromRequest > 0) text += QStringLiteral(":from=%1").arg(Fault.FromRequest);
  if (Fault.AfterS > 0) text += QStringLiteral(":after=%1").arg(Fault.AfterS);
  if (std::isfinite(Fault.ForS)) text += QStringLiteral(":for=%1").arg(Fault.ForS);
  if (Fault.Kind == TFaultKind::Short) text += QStringLiteral(":bytes=%1").arg(Fault.ShortBytes);
  if (Fault.Kind == TFaultKind::Slow) text += QStringLiteral(":delay=%1").arg(Fault.SlowMs);
  if (Fault.Kind == TFaultKind::Corrupt && Fault.CorruptByte >= 0)
    text += QStringLiteral(":byte=%1").arg(Fault.CorruptByte);
  return text;
}

QString DeviceFaultHelp()
{
  return QStringLiteral(
      "  --fault DEVICE:KIND[:OPTION=VALUE...]   play a fault (the option may be repeated)\n"
      "      DEVICE  relay, mfc1, mfc2, or mfc (both controllers: the bus line)\n"
      "      KIND    silent         no reply, the request is not acted on\n"
      "              slow           the reply comes late (delay=MS, default 200)\n"
      "              short          the reply is cut after a few bytes (bytes=K, default 3)\n"
      "              corrupt        one bit of the reply flipped (byte=I, default the middle)\n"
      "              exception      a controller refuses with Modbus exception 4\n"
      "              other-address  a controller answers with the other one's address\n"
      "              gone           the line's pseudo-terminal is closed (relay or mfc);\n"
      "                             with for=S it comes back under the same path\n"
      "      from=N   begin with the device's N-th request (default: at once)\n"
      "      after=S  begin no earlier than S seconds after the start\n"
      "      for=S    end S seconds after it began (default: never)\n");
}
