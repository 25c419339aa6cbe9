#pragma once

#include <QJsonObject>

class Catalog;
class Library;

/// The whole library as one JSON document, for tests and for people:
/// projects (with the trash), albums, the selection and every image version
/// with its master files, adjustments, keywords and tags. Dates are ISO 8601
/// in UTC; each tag carries its value's type. Reads in the caller's
/// transaction; one thread.
class LibraryJson {
public:
    static QJsonObject describe(Library& library, Catalog& catalog);
};
