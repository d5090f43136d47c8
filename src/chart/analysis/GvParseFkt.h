// The expression parser of the chart engine. For now only the caption-field
// expansion that rich captions call; the parser itself follows.
#pragma once

#include <QObject>
#include <QString>

// Replaces every "<%" name "%>" field of Text by the text of the named value,
// resolved against Owner. Until the parser exists, fields keep their text.
QString ParseVariables(const QString& Text, const QObject* Owner);
