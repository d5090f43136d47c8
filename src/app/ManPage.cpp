#include "app/ManPage.h"

#include <QRegularExpression>
#include <QStringList>

namespace {
// Text for roff: backslashes written as \e, every hyphen as \- (so that
// options copied from the page are typed with the plain ASCII character),
// and a line that would begin with a control character guarded by \&.
QString Escaped(const QString& Text)
{
  QString out = Text;
  out.replace(u'\\', QStringLiteral("\\e"));
  out.replace(u'-', QStringLiteral("\\-"));
  if (out.startsWith(u'.') || out.startsWith(u'\'')) out.prepend(QStringLiteral("\\&"));
  return out;
}

// An argument of a request line, in double quotes.
QString Quoted(const QString& Text)
{
  return u'"' + Escaped(Text).replace(u'"', QStringLiteral("\\(dq")) + u'"';
}

bool IsPlaceholder(const QString& Word)
{
  static const QRegularExpression placeholder(QStringLiteral("^[A-Z][A-Z0-9_]*$"));
  return placeholder.match(Word).hasMatch();
}

// A term or the synopsis: words bold, except a placeholder (PORT) that
// follows an option, or the program's name in the synopsis, without a comma
// between them, which is italic; brackets, commas and "..." plain.
QString Term(const QString& Text, bool Synopsis = false)
{
  static const QRegularExpression word(QStringLiteral("[A-Za-z0-9_-]+"));
  QString out;
  qsizetype at = 0;
  bool takesValue = false; // the word before is an option (or the program's name)
  for (auto it = word.globalMatch(Text); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    const QString between = Text.mid(at, m.capturedStart() - at);
    const QString w = m.captured();
    const bool italic = takesValue && !between.contains(u',') && IsPlaceholder(w);
    out += Escaped(between) + (italic ? QStringLiteral("\\fI") : QStringLiteral("\\fB")) +
           Escaped(w) + QStringLiteral("\\fR");
    takesValue = !italic && (w.startsWith(u'-') || (Synopsis && at == 0));
    at = m.capturedEnd();
  }
  return out + Escaped(Text.mid(at));
}

QString Summary(const QString& Description)
{
  static const QRegularExpression end(QStringLiteral(":|\\.(\\s|$)"));
  const QRegularExpressionMatch m = end.match(Description);
  QString s = m.hasMatch() ? Description.left(m.capturedStart()) : Description;
  if (s.size() > 1 && s[0].isUpper() && s[1].isLower()) s[0] = s[0].toLower();
  return s.trimmed();
}
} // namespace

QString ManPageFromHelp(const QString& Help, const QString& Version)
{
  QStringList lines = Help.split(u'\n');
  while (!lines.isEmpty() && lines.last().trimmed().isEmpty()) lines.removeLast();
  static const QRegularExpression usage(QStringLiteral("^Usage:\\s+(\\S+)(.*)$"),
                                        QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch u = lines.isEmpty() ? QRegularExpressionMatch()
                                                    : usage.match(lines.first());
  const QString name = u.hasMatch() ? u.captured(1) : QStringLiteral("program");
  qsizetype i = u.hasMatch() ? 1 : 0;
  QStringList description;
  for (; i < lines.size() && !lines[i].trimmed().isEmpty(); ++i) description << lines[i].trimmed();
  const QString about = description.join(u' ');

  QStringList page;
  page << QStringLiteral(".TH %1 1 \"\" %2 \"User Commands\"")
              .arg(Escaped(name.toUpper()), Quoted(Version));
  page << QStringLiteral(".SH NAME") << Escaped(name) + QStringLiteral(" \\- ") +
                                            Escaped(Summary(about));
  if (u.hasMatch())
    page << QStringLiteral(".SH SYNOPSIS") << Term(name + u' ' + u.captured(2).trimmed(), true);
  if (!about.isEmpty()) page << QStringLiteral(".SH DESCRIPTION") << Escaped(about);

  static const QRegularExpression heading(QStringLiteral("^(\\S.*):$"));
  static const QRegularExpression item(QStringLiteral("^  (\\S.*?)(?:\\s{2,}(\\S.*))?$"));
  bool paragraph = false; // the line before is text at the margin
  for (; i < lines.size(); ++i) {
    const QString& line = lines[i];
    const QRegularExpressionMatch h = heading.match(line);
    const QRegularExpressionMatch t = item.match(line);
    if (line.trimmed().isEmpty()) {
      paragraph = false;
    } else if (h.hasMatch()) {
      page << QStringLiteral(".SH ") + Quoted(h.captured(1).toUpper());
      paragraph = false;
    } else if (line.startsWith(QStringLiteral("   "))) {
      page << Escaped(line.trimmed()); // continues the item above
    } else if (t.hasMatch()) {
      page << QStringLiteral(".TP") << Term(t.captured(1));
      if (!t.captured(2).isEmpty()) page << Escaped(t.captured(2));
      paragraph = false;
    } else {
      if (!paragraph) page << QStringLiteral(".PP");
      page << Escaped(line.trimmed());
      paragraph = true;
    }
  }
  return page.join(u'\n') + u'\n';
}
