// The workbook reader on hostile input: either the bytes as the file itself, or a well-formed zip
// whose parts (workbook, relationships, shared strings, sheet) are cut from the fuzz bytes, so the
// fuzzer reaches the XML readers behind the zip layer.
#include "core/formats/ParamDescriptions.h"
#include "core/formats/XlsxWorkbook.h"

#include <QBuffer>

#include <quazip.h>
#include <quazipfile.h>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray input(reinterpret_cast<const char *>(data + 1), int(size - 1));
    QByteArray zipBytes;
    if (data[0] & 1) {
        zipBytes = input;
    } else {
        // Parts separated by byte 0x01, in this order.
        const QList<QByteArray> parts = input.split('\x01');
        const char *names[] = {"xl/workbook.xml", "xl/_rels/workbook.xml.rels", "xl/sharedStrings.xml",
                               "xl/worksheets/sheet1.xml"};
        QBuffer buffer(&zipBytes);
        QuaZip zip(&buffer);
        if (!zip.open(QuaZip::mdCreate))
            return 0;
        for (int i = 0; i < 4 && i < parts.size(); ++i) {
            QuaZipFile file(&zip);
            if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(names[i])))
                return 0;
            file.write(parts[i]);
        }
        zip.close();
    }
    QBuffer device(&zipBytes);
    XlsxWorkbook book;
    const bool ok = book.load(&device, QStringLiteral("fuzz.xlsx"), 1000);
    if (!ok && book.cellCount() != 0)
        std::abort();
    const auto table = ParamDescriptions::fromWorkbook(book, 1, 1000);
    if (table.isEmpty() || table.size() > 1000)
        std::abort();
    (void)book.cell(QStringLiteral("XFD1048576"));
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        if (it.key().size() > XlsxWorkbook::MaxCellChars || it.value().description.size() > XlsxWorkbook::MaxCellChars)
            std::abort();
    }
    if (book.refused() && ok)
        std::abort();
    return 0;
}
