// The workbook reader and the parameter description table, on small workbooks written by the test.
#include "core/formats/ParamDescriptions.h"
#include "core/formats/XlsxWorkbook.h"

#include <QTemporaryDir>
#include <QtTest>

#include "support/TestFiles.h"

namespace {
using Parts = QList<QPair<QString, QByteArray>>;

bool writeZip(const QString &path, const Parts &parts)
{
    return TestFiles::writeZip(path, parts);
}

const char *kRelsNs = "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";

QByteArray workbookXml(int activeTab, int sheets)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook "
                     "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" ";
    xml += kRelsNs;
    xml += "><bookViews><workbookView activeTab=\"" + QByteArray::number(activeTab) + "\"/></bookViews><sheets>";
    for (int i = 1; i <= sheets; ++i)
        xml += "<sheet name=\"Sheet" + QByteArray::number(i) + "\" sheetId=\"" + QByteArray::number(i) +
               "\" r:id=\"rId" + QByteArray::number(i) + "\"/>";
    return xml + "</sheets></workbook>";
}

QByteArray relsXml(int sheets)
{
    QByteArray xml = "<?xml version=\"1.0\"?><Relationships "
                     "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (int i = 1; i <= sheets; ++i)
        xml += "<Relationship Id=\"rId" + QByteArray::number(i) +
               "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
               "Target=\"worksheets/sheet" +
               QByteArray::number(i) + ".xml\"/>";
    xml += "<Relationship Id=\"rId99\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
           "Target=\"sharedStrings.xml\"/>";
    return xml + "</Relationships>";
}

QByteArray sharedXml(const QStringList &strings)
{
    QByteArray xml = "<?xml version=\"1.0\"?><sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
    for (const QString &s : strings)
        xml += "<si><t>" + s.toHtmlEscaped().toUtf8() + "</t></si>";
    // A rich-text string made of two runs, with a phonetic run that is not part of the text.
    xml += "<si><r><t>deg</t></r><r><rPr><b/></rPr><t>/s</t></r><rPh><t>x</t></rPh></si>";
    return xml + "</sst>";
}

QByteArray sheetXml(const QByteArray &rows)
{
    return "<?xml version=\"1.0\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
           "<sheetData>" +
           rows + "</sheetData></worksheet>";
}

QByteArray s(const char *ref, int index)
{
    return QByteArray("<c r=\"") + ref + "\" t=\"s\"><v>" + QByteArray::number(index) + "</v></c>";
}
QByteArray n(const char *ref, const char *number)
{
    return QByteArray("<c r=\"") + ref + "\"><v>" + number + "</v></c>";
}
QByteArray inl(const char *ref, const char *text)
{
    return QByteArray("<c r=\"") + ref + "\" t=\"inlineStr\"><is><t>" + text + "</t></is></c>";
}
QByteArray row(int r, const QByteArray &cells)
{
    return "<row r=\"" + QByteArray::number(r) + "\">" + cells + "</row>";
}

// Shared strings: 0 ACRO_PITCH_RATE, 1 SERIAL0_PROTOCOL, 2 "1:MAVlink1 2:MAVLink2", 3 BATT_MONITOR,
// 4 the rich-text "deg/s".
const QStringList kShared = {"ACRO_PITCH_RATE", "SERIAL0_PROTOCOL", "1:MAVlink1 2:MAVLink2", "BATT_MONITOR"};

QByteArray descriptionSheet()
{
    return sheetXml(row(1, s("A1", 0) + inl("B1", "ignored") + s("C1", 4) + inl("D1", "10 500") +
                               inl("E1", "Pitch rate &amp; more") + inl("F1", "ignored")) +
                    row(2, inl("A2", "NUMS") + n("C2", "10") + n("D2", "1.5") + n("E2", "1E-3")) +
                    row(3, s("A3", 3) + inl("C3", "first") + inl("E3", "row 3")) +
                    row(7, s("A7", 1) + s("D7", 2) + inl("E7", "Protocol of serial port 0.")) +
                    row(9, s("A9", 3) + inl("C9", "last") + inl("E9", "row 9")) +
                    row(1000, inl("A1000", "ROW_1000") + inl("C1000", "u")) +
                    row(1001, inl("A1001", "ROW_1001") + inl("C1001", "u")));
}

Parts workbookParts(const QByteArray &sheet1, const QByteArray &sheet2 = QByteArray(), int activeTab = 0)
{
    const int sheets = sheet2.isEmpty() ? 1 : 2;
    Parts parts = {{"[Content_Types].xml", "<?xml version=\"1.0\"?><Types/>"},
                   {"xl/workbook.xml", workbookXml(activeTab, sheets)},
                   {"xl/_rels/workbook.xml.rels", relsXml(sheets)},
                   {"xl/sharedStrings.xml", sharedXml(kShared)},
                   {"xl/worksheets/sheet1.xml", sheet1}};
    if (!sheet2.isEmpty())
        parts.append({"xl/worksheets/sheet2.xml", sheet2});
    return parts;
}
} // namespace

class TestWorkbook : public QObject
{
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void cellsOfEveryKind();
    void activeSheetAndCellsWithoutReference();
    void descriptionTable();
    void unreadableWorkbook_data();
    void unreadableWorkbook();
    void missingFile();
    void sizeBounds_data();
    void sizeBounds();
    void cellReferences_data();
    void cellReferences();

private:
    QString path(const char *name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestWorkbook::cellsOfEveryKind()
{
    QVERIFY(writeZip(path("a.xlsx"), workbookParts(descriptionSheet())));
    XlsxWorkbook book;
    QVERIFY2(book.load(path("a.xlsx")), qPrintable(book.error()));
    QCOMPARE(book.sheetName(), QString("Sheet1"));
    QCOMPARE(book.cell("A1"), QString("ACRO_PITCH_RATE"));   // shared string
    QCOMPARE(book.cell("C1"), QString("deg/s"));             // rich text runs joined
    QCOMPARE(book.cell("E1"), QString("Pitch rate & more")); // inline string
    QCOMPARE(book.cell("C2"), QString("10"));                // numbers as their text
    QCOMPARE(book.cell("D2"), QString("1.5"));
    QCOMPARE(book.cell("E2"), QString("0.001"));
    QCOMPARE(book.cell("C7"), QString()); // absent cell
    QCOMPARE(book.cell(7, 4), QString("1:MAVlink1 2:MAVLink2"));
    QCOMPARE(book.cell("A1001"), QString("ROW_1001"));

    XlsxWorkbook limited;
    QVERIFY(limited.load(path("a.xlsx"), 1000));
    QCOMPARE(limited.cell("A1000"), QString("ROW_1000"));
    QCOMPARE(limited.cell("A1001"), QString());
}

void TestWorkbook::activeSheetAndCellsWithoutReference()
{
    const QByteArray first = sheetXml(row(1, inl("A1", "FIRST")));
    // Cells and a row without references follow the previous ones.
    const QByteArray second = sheetXml("<row r=\"2\"><c t=\"inlineStr\"><is><t>X</t></is></c><c><v>7</v></c></row>"
                                       "<row><c t=\"b\"><v>1</v></c><c t=\"str\"><v>f</v></c></row>");
    QVERIFY(writeZip(path("b.xlsx"), workbookParts(first, second, 1)));
    XlsxWorkbook book;
    QVERIFY2(book.load(path("b.xlsx")), qPrintable(book.error()));
    QCOMPARE(book.sheetName(), QString("Sheet2"));
    QCOMPARE(book.cell("A1"), QString());
    QCOMPARE(book.cell("A2"), QString("X"));
    QCOMPARE(book.cell("B2"), QString("7"));
    QCOMPARE(book.cell("A3"), QString("true"));
    QCOMPARE(book.cell("B3"), QString("f"));
}

void TestWorkbook::descriptionTable()
{
    QVERIFY(writeZip(path("paracfg.xlsx"), workbookParts(descriptionSheet())));
    const QMap<QString, ParamDescription> table = ParamDescriptions::load(path("paracfg.xlsx"));
    const ParamDescription serial = table.value("SERIAL0_PROTOCOL");
    QCOMPARE(serial.unit, QString());
    QCOMPARE(serial.range, QString("1:MAVlink1 2:MAVLink2"));
    QCOMPARE(serial.description, QString("Protocol of serial port 0."));
    QCOMPARE(table.value("ACRO_PITCH_RATE").unit, QString("deg/s"));
    QCOMPARE(table.value("ACRO_PITCH_RATE").range, QString("10 500"));
    // A name in rows 3 and 9 keeps row 9.
    QCOMPARE(table.value("BATT_MONITOR").unit, QString("last"));
    QCOMPARE(table.value("BATT_MONITOR").description, QString("row 9"));
    QVERIFY(table.contains("ROW_1000"));
    QVERIFY(!table.contains("ROW_1001"));
    // Every empty row maps to the empty name.
    QVERIFY(table.contains(QString()));
    QCOMPARE(table.size(), 6); // 5 names + the empty one
}

void TestWorkbook::unreadableWorkbook_data()
{
    QTest::addColumn<Parts>("parts");
    QTest::addColumn<QByteArray>("raw");
    QTest::newRow("not a zip") << Parts() << QByteArray("PK\x03\x04 this is not a workbook");
    QTest::newRow("no workbook part") << Parts{{"xl/worksheets/sheet1.xml", sheetXml(row(1, inl("A1", "X")))}}
                                      << QByteArray();
    Parts badXml = workbookParts(sheetXml(row(1, inl("A1", "X"))));
    badXml[4].second = "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>X</t></row>";
    QTest::newRow("malformed sheet") << badXml << QByteArray();
    Parts noSheet = workbookParts(sheetXml(QByteArray()));
    noSheet.removeAt(4);
    QTest::newRow("sheet part missing") << noSheet << QByteArray();
    Parts noRels = workbookParts(sheetXml(QByteArray()));
    noRels.removeAt(2);
    QTest::newRow("no relationships") << noRels << QByteArray();
}

void TestWorkbook::unreadableWorkbook()
{
    QFETCH(Parts, parts);
    QFETCH(QByteArray, raw);
    const QString file = path("bad.xlsx");
    QFile::remove(file);
    if (parts.isEmpty()) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(raw);
    } else {
        QVERIFY(writeZip(file, parts));
    }
    XlsxWorkbook book;
    QVERIFY(!book.load(file));
    QVERIFY(!book.error().isEmpty());
    QCOMPARE(book.cellCount(), 0);
    // Read as empty cells: only the empty name is in the table.
    const auto table = ParamDescriptions::load(file);
    QCOMPARE(table.keys(), QStringList{QString()});

    // A zip cut in the middle is unreadable too.
    if (!parts.isEmpty()) {
        QVERIFY(writeZip(file, workbookParts(descriptionSheet())));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadWrite));
        f.resize(f.size() / 2);
        f.close();
        XlsxWorkbook cut;
        QVERIFY(!cut.load(file));
    }
}

void TestWorkbook::missingFile()
{
    QTest::ignoreMessage(QtDebugMsg, "paracfg not exist");
    QVERIFY(ParamDescriptions::load(path("absent.xlsx")).isEmpty());
    XlsxWorkbook book;
    QVERIFY(!book.load(path("absent.xlsx")));
}

void TestWorkbook::sizeBounds_data()
{
    // Each part compresses to a few kB; inflated, it is over a bound (or just at one).
    QTest::addColumn<Parts>("parts");
    QTest::addColumn<bool>("refused");
    const QByteArray longText(XlsxWorkbook::MaxCellChars + 1, 'x');
    const QByteArray longestText(XlsxWorkbook::MaxCellChars, 'x');
    const QByteArray padding(int(XlsxWorkbook::MaxPartBytes), ' ');

    Parts bigShared = workbookParts(descriptionSheet());
    bigShared[3].second = "<sst>" + padding + "<si><t>a</t></si></sst>";
    QTest::newRow("shared strings part over the bound") << bigShared << true;
    Parts bigSheet = workbookParts(sheetXml(row(1, inl("A1", "A")) + padding));
    QTest::newRow("sheet part over the bound") << bigSheet << true;
    Parts bigWorkbook = workbookParts(descriptionSheet());
    bigWorkbook[1].second.insert(bigWorkbook[1].second.indexOf("<bookViews"), padding);
    QTest::newRow("workbook part over the bound") << bigWorkbook << true;
    Parts longShared = workbookParts(descriptionSheet());
    longShared[3].second = sharedXml({QString::fromLatin1(longText)});
    QTest::newRow("shared string too long") << longShared << true;
    QTest::newRow("inline string too long") << workbookParts(sheetXml(row(1, inl("A1", longText.constData())))) << true;
    QTest::newRow("formula text too long")
        << workbookParts(sheetXml(row(1, "<c r=\"B1\" t=\"str\"><v>" + longText + "</v></c>"))) << true;
    QTest::newRow("longest cell text") << workbookParts(sheetXml(row(1, inl("A1", longestText.constData())))) << false;
}

void TestWorkbook::sizeBounds()
{
    QFETCH(Parts, parts);
    QFETCH(bool, refused);
    const QString file = path("big.xlsx");
    QFile::remove(file);
    QVERIFY(writeZip(file, parts));
    QVERIFY(QFileInfo(file).size() < 1024 * 1024);
    XlsxWorkbook book;
    QCOMPARE(book.load(file), !refused);
    QCOMPARE(book.refused(), refused);
    if (!refused) {
        QCOMPARE(book.cell("A1").size(), XlsxWorkbook::MaxCellChars);
        return;
    }
    QCOMPARE(book.cellCount(), 0);
    // The description table goes on without descriptions and says why.
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^paracfg refused: .*big\\.xlsx"));
    QString refusal;
    QVERIFY(ParamDescriptions::load(file, 1, 1000, &refusal).isEmpty());
    QVERIFY(refusal.contains("big.xlsx"));
}

void TestWorkbook::cellReferences_data()
{
    QTest::addColumn<QString>("ref");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::newRow("A1") << "A1" << true << 1 << 1;
    QTest::newRow("lower case") << "e7" << true << 7 << 5;
    QTest::newRow("AA10") << "AA10" << true << 10 << 27;
    QTest::newRow("last cell") << "XFD1048576" << true << 1048576 << 16384;
    QTest::newRow("column too far") << "XFE1" << false << 0 << 0;
    QTest::newRow("row too far") << "A1048577" << false << 0 << 0;
    QTest::newRow("row 0") << "A0" << false << 0 << 0;
    QTest::newRow("no row") << "A" << false << 0 << 0;
    QTest::newRow("no column") << "12" << false << 0 << 0;
    QTest::newRow("junk") << "A1B" << false << 0 << 0;
}

void TestWorkbook::cellReferences()
{
    QFETCH(QString, ref);
    int row = 0, column = 0;
    QTEST(XlsxWorkbook::parseRef(ref, row, column), "ok");
    QTEST(row, "row");
    QTEST(column, "column");
}

QTEST_GUILESS_MAIN(TestWorkbook)
#include "tst_workbook.moc"
