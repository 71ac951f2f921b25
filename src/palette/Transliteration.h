#pragma once

#include <QString>

namespace tavolin {

// `text` written in Latin letters without combining marks ("Файл" → "Fajl", "Éditer" → "Editer",
// "文件" → "wen jian"), so a search typed in Latin letters finds titles in other scripts.
// Returns `text` itself when there is nothing to change or when ICU's transliteration data cannot be
// loaded. Text already in Latin letters (ASCII, Latin-1 and the Latin extensions, general punctuation) is
// answered from a per-character table without running ICU over it. Thread-safe: each thread keeps its own
// transliterator.
QString toLatin(const QString &text);
// The same through ICU for every text: the reference the table is tested against.
QString toLatinWithIcu(const QString &text);

// `text` without control characters (Cc, Cf), unassigned code points, noncharacters and lone surrogates at
// either end: what an application may leave around a menu title ("Save\n" → "Save"). Inner ones stay.
QString trimmedOfControls(const QString &text);

} // namespace tavolin
