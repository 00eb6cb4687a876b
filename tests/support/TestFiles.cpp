#include "support/TestFiles.h"

#include <QFile>
#include <QProcess>

#include <quazip.h>
#include <quazipfile.h>

bool TestFiles::write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray TestFiles::read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool TestFiles::writeZip(const QString &path, const QList<QPair<QString, QByteArray>> &parts)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate))
        return false;
    for (const auto &part : parts) {
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(part.first)))
            return false;
        file.write(part.second);
        file.close();
    }
    zip.close();
    return zip.getZipError() == 0;
}

bool TestFiles::writeWorkbook(const QString &path, const QList<QStringList> &rows)
{
    QByteArray sheet = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
    for (int r = 0; r < rows.size(); ++r) {
        sheet += "<row r=\"" + QByteArray::number(r + 1) + "\">";
        for (int c = 0; c < rows[r].size(); ++c) {
            if (rows[r][c].isEmpty())
                continue;
            sheet += "<c r=\"" + QByteArray(1, char('A' + c)) + QByteArray::number(r + 1) +
                     "\" t=\"inlineStr\"><is><t>" + rows[r][c].toUtf8() + "</t></is></c>";
        }
        sheet += "</row>";
    }
    sheet += "</sheetData></worksheet>";
    const QList<QPair<QString, QByteArray>> parts = {
        {"xl/workbook.xml", "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                            "<sheets><sheet name=\"P\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels", "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" "
                                       "Target=\"worksheets/sheet1.xml\"/></Relationships>"},
        {"xl/worksheets/sheet1.xml", sheet}};
    return TestFiles::writeZip(path, parts);
}

TestFiles::ProgramRun TestFiles::run(const QString &program, const QStringList &args, const QProcessEnvironment &env,
                                     int timeoutMs)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    ProgramRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("timed out");
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QByteArray TestFiles::pattern(int size, int seed)
{
    QByteArray b(size, '\0');
    quint32 x = quint32(seed) * 2654435761u + 1;
    for (int i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        b[i] = char(x >> 24);
    }
    return b;
}
