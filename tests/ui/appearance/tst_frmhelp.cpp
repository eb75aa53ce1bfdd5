// The help viewer frmHelp and the help command. How RTF turns into
// text is tst_rtf's business; here it is which file is shown and what the
// learner is told when there is none.
#include "TestSupport.h"

#include "core/AppState.h"
#include "core/Places.h"
#include "ui/appearance/frmHelp.h"
#include "ui/common/Windows.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>

#include <memory>

namespace {

// Opens the named help file through the help command and returns what the
// viewer showed before it was closed with "Beenden".
QString shownBy(const QString &name)
{
    QString shown = QStringLiteral("not opened");
    WindowSpy windows;
    windows.onOpen(QStringLiteral("frmHelp"), [&](QDialog &w) {
        auto *help = qobject_cast<frmHelp *>(&w);
        shown = help ? help->rtfHilfe->toPlainText() : QStringLiteral("another window");
        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("btnExit")), Qt::LeftButton);
    });
    Windows::showHelp(name, nullptr);
    return shown;
}

} // namespace

class TestFrmHelp : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempWorkDir> work_;
    std::unique_ptr<MessageSpy> spy_;

    QString helpFile(const char *name) const { return work_->file(QStringLiteral("help/") + QLatin1String(name)); }
    void writeHelp(const char *name, const QByteArray &data)
    {
        QFile f(helpFile(name));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(data), data.size());
    }

private slots:
    void init()
    {
        AppState::resetForTesting();
        work_ = std::make_unique<TempWorkDir>();
        QVERIFY(QDir().mkpath(work_->file(QStringLiteral("help"))));
        Places::setProgramFolderForTesting(work_->path());
        spy_ = std::make_unique<MessageSpy>();
    }
    void cleanup()
    {
        spy_.reset();
        Places::setProgramFolderForTesting(QString());
        work_.reset();
    }

    void whatTheHelpCommandShows_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<qint64>("size"); // stretched to that size when larger; -1: a folder instead
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("reported"); // "not there"
        const QString nothing = QStringLiteral("");
        QTest::newRow("missing file") << "Table.rtf" << QByteArray() << qint64(0) << nothing << true;
        QTest::newRow("a folder") << "folder.rtf" << QByteArray() << qint64(-1) << nothing << true;
        QTest::newRow("empty file") << "basis.rtf" << QByteArray("") << qint64(0) << nothing << false;
        QTest::newRow("damaged") << "basis.rtf" << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\b Anfang\\b0  der "
                                                              "Hilfe\\par Zweiter Absatz mit \\'e4")
                    + QByteArray(20000, '{') + "tief\\bin999999999 Rest"
                                 << qint64(0) << QStringLiteral("Anfang der Hilfe\nZweiter Absatz mit ätief") << false;
        // Sparse, so the test stays cheap; too large to load, so empty.
        QTest::newRow("too large") << "basis.rtf" << QByteArray("{\\rtf1 Riesig") << frmHelp::kMaxHelpFileSize + 1
                                   << nothing << false;
    }
    void whatTheHelpCommandShows()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(qint64, size);
        QFETCH(QString, shown);
        QFETCH(bool, reported);
        const QString path = work_->file(QStringLiteral("help/") + name);
        if (size < 0)
            QVERIFY(QDir().mkpath(path));
        if (!content.isNull())
            writeHelp(qPrintable(name), content);
        if (size > content.size())
            QVERIFY(QFile::resize(path, size));
        QCOMPARE(shownBy(name), shown);
        QCOMPARE(AppState::instance().HelpFile, path);
        QCOMPARE(spy_->count(), reported ? 1 : 0);
        if (reported) {
            QCOMPARE(spy_->last().text, QStringLiteral("Hilfedatei\n") + path + QStringLiteral("\nnicht vorhanden!"));
            QCOMPARE(spy_->last().icon, QMessageBox::Warning);
        }
    }

    void emptyPathIsReported()
    {
        AppState::instance().HelpFile = QString();
        frmHelp dialog;
        QCOMPARE(spy_->count(), 1);
        QCOMPARE(spy_->last().text, QStringLiteral("Hilfedatei\n\nnicht vorhanden!"));
        QVERIFY(dialog.rtfHilfe->toPlainText().isEmpty());
    }

    void shippedHelpFileShowsFormattedText()
    {
        Places::setProgramFolderForTesting(QString());
        AppState::instance().HelpFile = Places::helpFile(QStringLiteral("main.rtf"));
        frmHelp dialog;
        QCOMPARE(spy_->count(), 0);
        const QTextDocument *doc = dialog.rtfHilfe->document();
        QVERIFY(doc->toPlainText().startsWith(QStringLiteral("Willkommen bei Vokamia\n")));
        QVERIFY(doc->toPlainText().contains(QStringLiteral("zurück in Fach 1")));
        QCOMPARE(dialog.rtfHilfe->textCursor().position(), 0); // scrolled to the beginning

        // List items: the tab after the bullet reaches the hanging indent.
        bool sawList = false;
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
            if (!b.text().startsWith(QStringLiteral("•\t")))
                continue;
            sawList = true;
            const QTextBlockFormat f = b.blockFormat();
            QVERIFY(f.textIndent() < 0);
            QCOMPARE(f.tabPositions().value(0).position, -f.textIndent());
        }
        QVERIFY(sawList);
    }

    void secondCallerWins()
    {
        writeHelp("Neuwort.rtf", "{\\rtf1\\ansi Neue Vokabeln eingeben}");
        writeHelp("Change.rtf", "{\\rtf1\\ansi Vokabeln \\'e4ndern}");
        QCOMPARE(shownBy(QStringLiteral("Neuwort.rtf")), QStringLiteral("Neue Vokabeln eingeben"));
        QCOMPARE(shownBy(QStringLiteral("Change.rtf")), QStringLiteral("Vokabeln ändern"));
        QCOMPARE(AppState::instance().HelpFile, helpFile("Change.rtf"));
        QCOMPARE(spy_->count(), 0);
        QVERIFY(!QApplication::overrideCursor()); // no hourglass left behind
    }
};

QTEST_MAIN(TestFrmHelp)
#include "tst_frmhelp.moc"
