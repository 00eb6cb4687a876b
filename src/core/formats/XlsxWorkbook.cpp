#include "core/formats/XlsxWorkbook.h"

#include <QFileInfo>
#include <QStringList>
#include <QXmlStreamReader>

#include <quazip.h>
#include <quazipfile.h>

namespace {
const QString kRelNs = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");

// Limits that keep a hostile file from eating the machine: Excel's own sheet size.
constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;

// The value of the relationship id attribute (r:id), whatever prefix the file gives it.
QString relationshipId(const QXmlStreamAttributes &attributes)
{
    if (attributes.hasAttribute(kRelNs, QStringLiteral("id")))
        return attributes.value(kRelNs, QStringLiteral("id")).toString();
    for (const QXmlStreamAttribute &a : attributes) {
        if (a.name() == QLatin1String("id") && !a.prefix().isEmpty())
            return a.value().toString();
    }
    return QString();
}

// Resolves a relationship target of xl/workbook.xml to a zip entry name.
QString resolveTarget(const QString &target)
{
    QString path = target.startsWith(QLatin1Char('/')) ? target.mid(1) : QStringLiteral("xl/") + target;
    QStringList parts;
    for (const QString &part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("..")) {
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (part != QLatin1String(".")) {
            parts.append(part);
        }
    }
    return parts.join(QLatin1Char('/'));
}

// The text of every <t> inside the current element (rich text runs joined, phonetic runs left out).
QString readText(QXmlStreamReader &xml)
{
    QString text;
    int depth = 1;
    bool inPhonetic = false;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (xml.name() == QLatin1String("t") && !inPhonetic) {
                // Reads up to and including </t>, so the depth does not change.
                text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
                break;
            }
            ++depth;
            if (xml.name() == QLatin1String("rPh"))
                inPhonetic = true;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            if (xml.name() == QLatin1String("rPh"))
                inPhonetic = false;
            break;
        default:
            break;
        }
    }
    return text;
}

// A numeric cell's text as the number reads: "10" stays "10", "1E-3" becomes "0.001".
QString numberText(const QString &raw)
{
    bool ok = false;
    const double value = raw.toDouble(&ok);
    return ok ? QString::number(value, 'g', QLocale::FloatingPointShortest) : raw;
}
} // namespace

bool XlsxWorkbook::parseRef(const QString &ref, int &row, int &column)
{
    int i = 0;
    int col = 0;
    while (i < ref.size() && ref[i].isLetter() && ref[i].unicode() < 128) {
        col = col * 26 + (ref[i].toUpper().unicode() - 'A' + 1);
        if (col > kMaxColumns)
            return false;
        ++i;
    }
    if (i == 0 || i == ref.size())
        return false;
    int r = 0;
    for (; i < ref.size(); ++i) {
        if (!ref[i].isDigit() || ref[i].unicode() >= 128)
            return false;
        r = r * 10 + (ref[i].unicode() - '0');
        if (r > kMaxRows)
            return false;
    }
    if (r < 1)
        return false;
    row = r;
    column = col;
    return true;
}

QString XlsxWorkbook::cell(const QString &ref) const
{
    int row = 0, column = 0;
    return parseRef(ref, row, column) ? cell(row, column) : QString();
}

bool XlsxWorkbook::fail(const QString &error)
{
    m_cells.clear();
    m_sharedStrings.clear();
    m_error = error;
    return false;
}

bool XlsxWorkbook::refuse(const QString &error)
{
    m_refused = true;
    return fail(error);
}

bool XlsxWorkbook::readPart(QuaZip &zip, const QString &name, QByteArray &bytes)
{
    bytes.clear();
    if (!zip.setCurrentFile(name, QuaZip::csInsensitive))
        return false;
    QuaZipFile file(&zip);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // Inflates at most one byte past the bound, whatever size the zip directory claims.
    while (bytes.size() <= MaxPartBytes) {
        const QByteArray chunk = file.read(qMin<qint64>(64 * 1024, MaxPartBytes + 1 - bytes.size()));
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    if (bytes.size() > MaxPartBytes) {
        bytes.clear();
        m_refused = true;
        m_error = QStringLiteral("%1 inflates to more than %2 bytes").arg(name).arg(MaxPartBytes);
        return false;
    }
    return true;
}

bool XlsxWorkbook::load(const QString &path, int maxRow)
{
    m_refused = false;
    m_cells.clear();
    m_sharedStrings.clear();
    m_sheetName.clear();
    m_error.clear();
    if (!QFileInfo(path).isFile())
        return fail(QStringLiteral("%1: no such file").arg(path));
    QuaZip zip(path);
    return readZip(zip, path, maxRow);
}

bool XlsxWorkbook::load(QIODevice *device, const QString &name, int maxRow)
{
    m_refused = false;
    m_cells.clear();
    m_sharedStrings.clear();
    m_sheetName.clear();
    m_error.clear();
    QuaZip zip(device);
    return readZip(zip, name, maxRow);
}

bool XlsxWorkbook::readZip(QuaZip &zip, const QString &path, int maxRow)
{
    if (!zip.open(QuaZip::mdUnzip))
        return fail(QStringLiteral("%1: not a zip archive (error %2)").arg(path).arg(zip.getZipError()));

    // Workbook: the sheets in order and the index of the active one.
    QStringList sheetIds, sheetNames;
    int activeTab = 0;
    {
        QByteArray part;
        if (!readPart(zip, QStringLiteral("xl/workbook.xml"), part))
            return partFailed(path, QStringLiteral("xl/workbook.xml"));
        QXmlStreamReader xml(part);
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("workbookView")) {
                bool ok = false;
                const int tab = xml.attributes().value(QLatin1String("activeTab")).toInt(&ok);
                if (ok && tab >= 0)
                    activeTab = tab;
            } else if (xml.name() == QLatin1String("sheet")) {
                sheetIds.append(relationshipId(xml.attributes()));
                sheetNames.append(xml.attributes().value(QLatin1String("name")).toString());
            }
        }
        if (xml.hasError())
            return fail(QStringLiteral("%1: xl/workbook.xml: %2").arg(path, xml.errorString()));
    }
    if (sheetIds.isEmpty())
        return fail(QStringLiteral("%1: the workbook has no sheet").arg(path));
    if (activeTab >= sheetIds.size())
        activeTab = 0;
    m_sheetName = sheetNames.at(activeTab);

    // Relationships: where the active sheet and the shared strings are.
    QString sheetPath, sharedPath = QStringLiteral("xl/sharedStrings.xml");
    {
        QByteArray part;
        if (!readPart(zip, QStringLiteral("xl/_rels/workbook.xml.rels"), part))
            return partFailed(path, QStringLiteral("xl/_rels/workbook.xml.rels"));
        QXmlStreamReader xml(part);
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("Relationship"))
                continue;
            const QXmlStreamAttributes a = xml.attributes();
            const QString id = a.value(QLatin1String("Id")).toString();
            const QString target = a.value(QLatin1String("Target")).toString();
            if (id == sheetIds.at(activeTab))
                sheetPath = resolveTarget(target);
            else if (a.value(QLatin1String("Type")).endsWith(QLatin1String("/sharedStrings")))
                sharedPath = resolveTarget(target);
        }
        if (xml.hasError())
            return fail(QStringLiteral("%1: xl/_rels/workbook.xml.rels: %2").arg(path, xml.errorString()));
    }
    if (sheetPath.isEmpty())
        return fail(QStringLiteral("%1: sheet \"%2\" has no part").arg(path, m_sheetName));

    // Shared strings (optional: a workbook of numbers and inline strings has none).
    {
        QByteArray part;
        if (readPart(zip, sharedPath, part)) {
            QXmlStreamReader xml(part);
            while (!xml.atEnd()) {
                if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("si"))
                    continue;
                m_sharedStrings.append(readText(xml));
                if (m_sharedStrings.last().size() > MaxCellChars)
                    return refuse(QStringLiteral("%1: %2: shared string %3 is longer than %4 characters")
                                      .arg(path, sharedPath)
                                      .arg(m_sharedStrings.size() - 1)
                                      .arg(MaxCellChars));
            }
            if (xml.hasError())
                return fail(QStringLiteral("%1: %2: %3").arg(path, sharedPath, xml.errorString()));
        } else if (m_refused) {
            return partFailed(path, sharedPath);
        }
    }

    QByteArray sheet;
    if (!readPart(zip, sheetPath, sheet))
        return partFailed(path, sheetPath);
    if (!readSheet(sheet, maxRow)) {
        const QString error = QStringLiteral("%1: %2: %3").arg(path, sheetPath, m_error);
        return m_refused ? refuse(error) : fail(error);
    }
    return true;
}

bool XlsxWorkbook::partFailed(const QString &path, const QString &part)
{
    if (m_refused)
        return refuse(QStringLiteral("%1: %2").arg(path, m_error));
    return fail(QStringLiteral("%1: no %2").arg(path, part));
}

bool XlsxWorkbook::readSheet(const QByteArray &bytes, int maxRow)
{
    QXmlStreamReader xml(bytes);
    int row = 0;        // current row (1-based)
    int lastColumn = 0; // column of the previous cell in the row, for cells without a reference
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("row")) {
            bool ok = false;
            const int r = xml.attributes().value(QLatin1String("r")).toInt(&ok);
            row = (ok && r >= 1 && r <= kMaxRows) ? r : row + 1;
            lastColumn = 0;
            continue;
        }
        if (xml.name() != QLatin1String("c"))
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        int r = row, column = lastColumn + 1;
        const QString ref = a.value(QLatin1String("r")).toString();
        if (!ref.isEmpty() && !parseRef(ref, r, column)) {
            xml.skipCurrentElement();
            continue;
        }
        lastColumn = column;
        if (row == 0)
            row = r;
        const QString type = a.value(QLatin1String("t")).toString();
        QString raw;
        bool haveValue = false;
        QString inlineText;
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("v")) {
                raw = xml.readElementText();
                haveValue = true;
            } else if (xml.name() == QLatin1String("is")) {
                inlineText = readText(xml);
            } else {
                xml.skipCurrentElement();
            }
        }
        if (raw.size() > MaxCellChars || inlineText.size() > MaxCellChars) {
            m_refused = true;
            m_error = QStringLiteral("the cell of row %1 column %2 is longer than %3 characters")
                          .arg(r)
                          .arg(column)
                          .arg(MaxCellChars);
            return false;
        }
        if (column > kMaxColumns || (maxRow > 0 && r > maxRow))
            continue;
        QString text;
        if (type == QLatin1String("s")) {
            bool ok = false;
            const int index = raw.trimmed().toInt(&ok);
            if (ok && index >= 0 && index < m_sharedStrings.size())
                text = m_sharedStrings.at(index);
        } else if (type == QLatin1String("inlineStr")) {
            text = inlineText;
        } else if (type == QLatin1String("b")) {
            if (haveValue)
                text = raw.trimmed() == QLatin1String("1") ? QStringLiteral("true") : QStringLiteral("false");
        } else if (type == QLatin1String("str") || type == QLatin1String("e") || type == QLatin1String("d")) {
            text = raw;
        } else if (haveValue) {
            text = numberText(raw.trimmed());
        }
        if (!text.isEmpty())
            m_cells.insert(key(r, column), text);
    }
    if (xml.hasError()) {
        m_error = xml.errorString();
        return false;
    }
    return true;
}
