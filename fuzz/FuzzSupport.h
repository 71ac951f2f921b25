#pragma once

// Shared by the fuzz targets: a Qt Core application in a private home, input splitting and property checks.

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace tavolin::fuzz {

// Once per process: a QCoreApplication and XDG folders in a fresh temporary folder, so a target that writes
// settings or databases never touches the user's own, and the log silenced. Returns that folder.
const QString &setUpApplication();

// The input cut at NUL bytes into at most `parts` pieces (the last piece keeps any further NULs); missing
// pieces are empty. Seeds write their fields separated by NUL.
QList<QByteArray> splitInput(const uint8_t *data, size_t size, int parts);

// Stops the run with a report on stderr when a property does not hold: libFuzzer keeps the input.
void require(bool holds, const char *property, const QString &detail = QString());

} // namespace tavolin::fuzz
