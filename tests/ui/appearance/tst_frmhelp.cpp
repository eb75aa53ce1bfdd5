// SPDX-License-Identifier: GPL-3.0-or-later
// The help viewer and the help command: which file is shown, and what the
// learner is told when there is none.
#include "TestSupport.h"

#include "core/AppState.h"
#include "core/Places.h"
#include "ui/appearance/frmHelp.h"
#include "ui/common/Windows.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>

class TestFrmHelp : public QObject
{
    Q_OBJECT

    Sandbox sb;

    // Opens the named help file through the help command and returns what
    // the viewer showed before it was closed with "Beenden".
    QString shownBy(const QString &name)
    {
        QString shown = QStringLiteral("not opened");
        sb.windows->onOpen(QStringLiteral("frmHelp"), [&](QDialog &w) {
            shown = qobject_cast<frmHelp *>(&w)->rtfHilfe->toPlainText();
            QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("btnExit")), Qt::LeftButton);
        });
        Windows::showHelp(name, nullptr);
        return shown;
    }

private slots:
    void init()
    {
        sb.start();
        QVERIFY(QDir().mkpath(sb.work->file(QStringLiteral("help"))));
        Places::setProgramFolderForTesting(sb.work->path());
    }
    void cleanup()
    {
        Places::setProgramFolderForTesting(QString());
        sb.stop();
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
        const QString path = sb.work->file(QStringLiteral("help/") + name);
        if (size < 0)
            QVERIFY(QDir().mkpath(path));
        if (QFile f(path); !content.isNull())
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
        if (size > content.size())
            QVERIFY(QFile::resize(path, size));
        QCOMPARE(shownBy(name), shown);
        QCOMPARE(AppState::instance().HelpFile, path);
        QCOMPARE(sb.spy->count(), reported ? 1 : 0);
        if (reported)
            QCOMPARE(sb.spy->last().text, QStringLiteral("Hilfedatei\n") + path + QStringLiteral("\nnicht vorhanden!"));
    }

    void emptyPathIsReported()
    {
        AppState::instance().HelpFile = QString();
        frmHelp dialog;
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Hilfedatei\n\nnicht vorhanden!"));
        QVERIFY(dialog.rtfHilfe->toPlainText().isEmpty());
    }
};

QTEST_MAIN(TestFrmHelp)
#include "tst_frmhelp.moc"
