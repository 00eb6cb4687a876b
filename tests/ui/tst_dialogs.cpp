// Dialogs under the dark theme: the file dialogs the pages open, a message box on a page and the
// timed pop-up are grabbed offscreen, and their text must stand clearly apart from its background.
#include "link/TApp.h"
#include "ZtResources.h"
#include "ui/app/MainWidget.h"
#include "ui/firmware/Generate_KVF.h"
#include "ui/firmware/Uploader.h"
#include "ui/maintenance/SerialComWidget.h"
#include "ui/widgets/TimedPopup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHash>
#include <QLabel>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <cmath>
#include <functional>

namespace {
// WCAG relative luminance and contrast ratio.
double luminance(QRgb c)
{
    auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
}

double contrast(QRgb a, QRgb b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// How the text of a region stands apart from its background (the region's most frequent colour):
// the best contrast of any pixel, and how many pixels reach a contrast of 3.
struct Legibility
{
    QRgb background = 0;
    double best = 1;
    int strongPixels = 0;
    QString describe() const
    {
        return QStringLiteral("background %1, best contrast %2, %3 strong pixels")
            .arg(QColor(background).name())
            .arg(best, 0, 'f', 2)
            .arg(strongPixels);
    }
    bool readable() const { return best >= 4.5 && strongPixels >= 10; }
};

Legibility measure(const QImage &image, const QRect &region)
{
    Legibility result;
    const QRect r = region.intersected(image.rect());
    QHash<QRgb, int> counts;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ++counts[image.pixel(x, y) | 0xff000000u];
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            result.background = it.key();
        }
    }
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        const double c = contrast(it.key(), result.background);
        result.best = std::max(result.best, c);
        if (c >= 3)
            result.strongPixels += it.value();
    }
    return result;
}

// A region of widget w in the coordinates of its window's grab.
QRect inWindow(const QWidget *w, const QRect &rect, const QWidget *window)
{
    return QRect(w->mapTo(window, rect.topLeft()), rect.size());
}
} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void fileDialogs_data();
    void fileDialogs();
    void messageBoxes_data();
    void messageBoxes();

private:
    struct FileDialogShot
    {
        bool seen = false;
        int rows = 0;
        QList<Legibility> cells; // the Size and Type cells of every file row
        Legibility label;        // the "File name:" label
    };
    // Runs open, which runs a box modally; onModal sees every modal widget until it returns true, and
    // the dialog is then rejected.
    void runModal(const std::function<void()> &open, const std::function<bool(QWidget *)> &onModal);
    // Runs open (which runs a file dialog modally) and measures the dialog once its list is filled.
    FileDialogShot captureFileDialog(const std::function<void()> &open);

    TApp *hub = nullptr;
    MainWidget *window = nullptr;
    QTemporaryDir files;
};

void TestDialogs::initTestCase()
{
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    ZtResources::init();
    static TApp app(QStringLiteral("./cfg/param.ini"));
    hub = &app;
    QDir(QStringLiteral("cfg")).removeRecursively(); // the dark theme, as on a first start
    window = new MainWidget;
    window->resize(1280, 720);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));

    // A folder with something for every filter; the dialogs open in the working directory.
    QVERIFY(files.isValid());
    for (const char *name : {"firmware-a.bin", "firmware-b.kvf", "terminal.txt", "notes.txt", "old.bin"}) {
        QFile f(files.filePath(QLatin1String(name)));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(1000, 'x'));
    }
    QVERIFY(QDir::setCurrent(files.path()));
}

void TestDialogs::runModal(const std::function<void()> &open, const std::function<bool(QWidget *)> &onModal)
{
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    poll.setInterval(50);
    connect(&poll, &QTimer::timeout, this, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !onModal(modal))
            return;
        poll.stop();
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
    });
    poll.start();
    open();
    poll.stop();
}

TestDialogs::FileDialogShot TestDialogs::captureFileDialog(const std::function<void()> &open)
{
    FileDialogShot shot;
    QElapsedTimer clock;
    clock.start();
    runModal(open, [&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog)
            return false;
        dialog->setViewMode(QFileDialog::Detail); // the columns Size and Type hold text only
        auto *tree = dialog->findChild<QTreeView *>(QStringLiteral("treeView"));
        const int rows = tree ? tree->model()->rowCount(tree->rootIndex()) : 0;
        if ((rows < 2 || !tree->isVisible()) && clock.elapsed() < 20000)
            return false;  // the file system model fills the list on a thread of its own
        QTest::qWait(100); // let the last rows paint
        const QImage image = dialog->grab().toImage();
        shot.seen = true;
        shot.rows = rows;
        for (int row = 0; tree && row < rows; ++row) {
            for (int column : {1, 2}) {
                const QModelIndex index = tree->model()->index(row, column, tree->rootIndex());
                const QRect cell = tree->visualRect(index);
                if (!cell.isEmpty() && tree->model()->data(index).toString().size() > 0)
                    shot.cells.append(measure(image, inWindow(tree->viewport(), cell, dialog)));
            }
        }
        if (auto *label = dialog->findChild<QLabel *>(QStringLiteral("fileNameLabel")))
            shot.label = measure(image, inWindow(label, label->rect(), dialog));
        return true;
    });
    return shot;
}

void TestDialogs::fileDialogs_data()
{
    QTest::addColumn<QString>("opener");
    QTest::newRow("Uploader: LoadFirmware") << "uploader";
    QTest::newRow("FirmwareGenerator: Load primitive firmware") << "generator";
    QTest::newRow("Shell: Save File") << "shell";
}

void TestDialogs::fileDialogs()
{
    QFETCH(QString, opener);
    TimedPopup::setInterceptor([](const TimedPopup::Shown &) {}); // the "cancelled" notices
    Generate_KVF generator(nullptr);
    std::function<void()> open;
    if (opener == QLatin1String("uploader")) {
        open = [] {
            Uploader::instance()->handlebntSelectFile();
        };
    } else if (opener == QLatin1String("generator")) {
        generator.show();
        open = [&] {
            generator.handleBntLoadBin();
        };
    } else {
        auto *shell = window->findChild<SerialComWidget *>();
        QVERIFY(shell);
        open = [shell] {
            shell->saveLog();
        };
    }
    const FileDialogShot shot = captureFileDialog(open);
    TimedPopup::setInterceptor({});
    QVERIFY(shot.seen);
    QVERIFY2(shot.rows >= 2, qPrintable(QString::number(shot.rows)));
    QVERIFY(!shot.cells.isEmpty());
    for (const Legibility &cell : shot.cells)
        QVERIFY2(cell.readable(), qPrintable(QStringLiteral("file list: ") + cell.describe()));
    QVERIFY2(shot.label.readable(), qPrintable(QStringLiteral("\"File name:\" label: ") + shot.label.describe()));
}

void TestDialogs::messageBoxes_data()
{
    QTest::addColumn<bool>("onPage");
    // A page's box (the Shell page's save errors) takes the page's style sheet; the timed pop-up
    // has no parent and takes the platform look.
    QTest::newRow("message box on a page") << true;
    QTest::newRow("timed pop-up") << false;
}

void TestDialogs::messageBoxes()
{
    QFETCH(bool, onPage);
    auto *shell = window->findChild<SerialComWidget *>();
    QVERIFY(shell);
    const QString text = QStringLiteral("Save failed: disk full");
    bool seen = false;
    Legibility legibility;
    runModal(
        [&] {
            if (onPage)
                QMessageBox::critical(shell, QStringLiteral("Warning"), text);
            else
                TimedPopup::exec(QMessageBox::Information, QStringLiteral("Warning"), text, 20000);
        },
        [&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            auto *label = box ? box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label")) : nullptr;
            if (!label || !box->isVisible())
                return false;
            QTest::qWait(50);
            legibility = measure(box->grab().toImage(), inWindow(label, label->rect(), box));
            seen = true;
            return true;
        });
    QVERIFY(seen);
    QVERIFY2(legibility.readable(), qPrintable(legibility.describe()));
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
