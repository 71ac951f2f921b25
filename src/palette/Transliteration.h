#pragma once

#include <QString>

namespace tavolin {

// `text` written in Latin letters without combining marks ("Файл" → "Fajl", "Éditer" → "Editer",
// "文件" → "wen jian"), so a search typed in Latin letters finds titles in other scripts.
// Returns `text` itself when there is nothing to change (plain ASCII is answered without ICU) or when ICU's
// transliteration data cannot be loaded. Thread-safe: each thread keeps its own transliterator.
QString toLatin(const QString &text);

// `text` without control characters (Cc, Cf), unassigned code points, noncharacters and lone surrogates at
// either end: what an application may leave around a menu title ("Save\n" → "Save"). Inner ones stay.
QString trimmedOfControls(const QString &text);

} // namespace tavolin
