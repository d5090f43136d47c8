#include "devices/PseudoTerminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {
QString Reason(const char* What)
{
  return QStringLiteral("%1: %2").arg(QString::fromLatin1(What),
                                      QString::fromLocal8Bit(std::strerror(errno)));
}
} // namespace

TPseudoTerminal::~TPseudoTerminal()
{
  Close();
}

bool TPseudoTerminal::Open(QString* Error)
{
  Close();
  const auto fail = [this, Error](const char* what) {
    if (Error) *Error = Reason(what);
    Close();
    return false;
  };
  FMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (FMaster < 0) return fail("posix_openpt");
  if (::grantpt(FMaster) != 0) return fail("grantpt");
  if (::unlockpt(FMaster) != 0) return fail("unlockpt");
  char name[128] = {};
  if (::ptsname_r(FMaster, name, sizeof name) != 0) return fail("ptsname_r");
  FSlavePath = QString::fromLocal8Bit(name);
  FSlave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (FSlave < 0) return fail("open slave");
  termios tio{};
  if (::tcgetattr(FSlave, &tio) != 0) return fail("tcgetattr");
  ::cfmakeraw(&tio);
  if (::tcsetattr(FSlave, TCSANOW, &tio) != 0) return fail("tcsetattr");
  return true;
}

void TPseudoTerminal::Close()
{
  if (FSlave >= 0) ::close(FSlave);
  if (FMaster >= 0) ::close(FMaster);
  FSlave = FMaster = -1;
  FSlavePath.clear();
}
