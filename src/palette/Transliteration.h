#pragma once

#include <QString>

namespace tavolin {

// `text` written in Latin letters without combining marks ("Файл" → "Fajl", "Éditer" → "Editer",
// "文件" → "wen jian"), so a search typed in Latin letters finds titles in other scripts.
// Returns `text` itself when there is nothing to change or when ICU's transliteration data cannot be
// loaded. Text already in Latin letters (ASCII, Latin-1 and the Latin extensions, general punctuation) is
// answered from a per-character table without running ICU over it; other text is cut at the spaces between
// letters of scripts of their own, and each part is transliterated by ICU once per process and kept in a
// bounded memo, so the result is always what toLatinWithIcu() gives. Thread-safe: each thread keeps its own
// transliterator, and the memo is locked.
QString toLatin(const QString &text);
// Keeps the parts' transliterations in the file at `path` between processes: read at the first text that needs
// ICU, so a process starts from what earlier ones computed. An empty path keeps them in memory only (the
// default). Call before transliterating, or between uses in tests.
void useTransliterationCache(const QString &path);
// Adds what this process computed to the cache file, keeping what the file holds. True when there was nothing
// to add or it was written; false (logged) when it could not be written. Any thread.
bool saveTransliterationCache();

// The same through ICU for every text: the reference the table is tested against.
QString toLatinWithIcu(const QString &text);

// `text` without control characters (Cc, Cf), unassigned code points, noncharacters and lone surrogates at
// either end: what an application may leave around a menu title ("Save\n" → "Save"). Inner ones stay.
QString trimmedOfControls(const QString &text);

} // namespace tavolin
