#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>

/// Encodes form values as a multipart/form-data body with the given
/// boundary, one part per key in the map's order: texts and numbers (a
/// boolean gives 1 or 0) as text/plain parts, file URLs as
/// application/octet-stream parts holding the file's bytes. A value of any
/// other kind is logged and contributes only its boundary line and CRLF.
///
/// A file larger than maxFileBytes() is sent cut to that size, followed by a
/// line saying so, so a runaway log cannot exhaust memory; an unreadable
/// file is logged and sent empty. An empty boundary throws
/// std::invalid_argument. Pure apart from reading files; any thread.
QByteArray GenerateFormData(const QVariantMap& formValues, const QString& boundary);

/// The largest file part GenerateFormData() sends whole.
qint64 maxFileBytes();
