# Writes OUT, a C++ source defining `QByteArray FUNCTION()` that returns the
# bytes of IN. Run by tolvane_embed_text at build time.
file(READ "${IN}" text)
file(WRITE "${OUT}.tmp" "// Generated from ${IN}; do not edit.\n#include <QByteArray>\n\nQByteArray ${FUNCTION}()\n{\n    static const char text[] = R\"embedded_text(${text})embedded_text\";\n    return QByteArray::fromRawData(text, sizeof(text) - 1);\n}\n")
file(RENAME "${OUT}.tmp" "${OUT}")
