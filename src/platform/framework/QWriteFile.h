#pragma once

#include <QByteArray>
#include <QString>

namespace TC {

// Replaces the file at `path` with `bytes` through QSaveFile: the new content
// appears whole or not at all, so a write that fails (read-only folder, full
// disk, size limit) leaves the previous file as it was, byte for byte. The
// folder must exist; it is not created here, so a mistyped export folder
// fails instead of appearing. On failure: false, an error log line, and
// "无法写入 <path>: <reason>" in *error for the caller to show.
bool QWriteFile(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// The text as UTF-8.
bool QWriteFile(const QString& path, const QString& text, QString* error = nullptr);

} // namespace TC
