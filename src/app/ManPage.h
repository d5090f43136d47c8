// The manual page of a program, made from its --help text, so that the two
// never differ. The help text follows a few rules:
//   "Usage: NAME ARGS"        first line: the synopsis;
//   lines up to a blank line  the description; its first sentence (up to the
//                             first ":" or ". ") is the summary of NAME;
//   "Heading:"                a line at the margin ending in ":" opens a
//                             section ("Exit status:" becomes EXIT STATUS);
//   "  TERM  text"            an item: two blanks, the term, two or more
//                             blanks, its text (a term alone is allowed);
//   deeper indented lines     continue the item above;
//   other lines at the margin a paragraph of the section.
#pragma once

#include <QString>

// Roff (man macros) for section 1. Version is the --version text; it goes
// into the page's footer.
QString ManPageFromHelp(const QString& Help, const QString& Version);
