#pragma once

#include <QString>

// The SHA-256 of a file as 64 lowercase hex digits, as records keep it; empty when it cannot be read.
namespace FileDigest {
QString sha256(const QString &path);
} // namespace FileDigest
