#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

/// Parses a multipart/form-data body with Python's `email` package, a
/// parser we did not write, so tests check the encoder against an outside
/// reading of the format. Each part by its field name: its file name (empty
/// for plain fields) and its content. `ok` is false, with Python's words in
/// `error`, when the body does not parse as a well-formed multipart message.
struct PythonMultipart {
    struct Part {
        QString filename;
        QByteArray content;
    };
    bool ok = false;
    QString error;
    QMap<QString, Part> parts;
    /// Field names in the order they appear in the body.
    QStringList order;

    static PythonMultipart parse(const QByteArray& body, const QByteArray& boundary);
};
