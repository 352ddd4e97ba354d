#pragma once

#include "SelectorModel.h"

#include <QByteArray>

// The index file "vnjava.ini" of a package: "key=value" lines naming a suite.
inline constexpr char kPackageIndexName[] = "vnjava.ini";

// Sets the suite's fields from the index's lines (in any order; other lines are
// ignored). Lines may end in CR LF, CR or LF. False when a line cannot be read
// or a value holds a control byte, which would break the menu file's lines.
bool readPackageIndex(const QByteArray& content, JavaSuite& suite);
// The six lines an exported package carries, each ended by CR LF.
QByteArray packageIndexBytes(const JavaSuite& suite);
