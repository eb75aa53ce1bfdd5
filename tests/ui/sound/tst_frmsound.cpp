// SPDX-License-Identifier: GPL-3.0-or-later
// The recording window against the tone backend and a real database in a
// temporary working folder. The bytes of a saved WAV are checked in tst_mci;
// here it is enough that the window's file reads back as that recording.

#include "LanguageTable.h"
#include "TestSupport.h"

#include "core/AppState.h"
#include "audio/Mci.h"
#include "audio/ToneBackend.h"
#include "audio/WaveFile.h"
#include "ui/sound/frmSound.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "ui/common/Windows.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

namespace {

// Mode of an alias as the command layer sees it; empty when it is not open.
QString aliasMode(const QString &alias)
{
    QString answer;
    return Mci::send(QStringLiteral("status ") + alias + QStringLiteral(" mode"), &answer) ? QString() : answer;
}

void click(QAbstractButton *b) { QTest::mouseClick(b, Qt::LeftButton); }

} // namespace

class TestFrmSound : public QObject
{
    Q_OBJECT

    Sandbox sb;
    Mci::ToneBackend *tone = nullptr;
    LanguageTable t;

    // A language table with one card, made current as the entry form leaves
    // it before it opens the recording window.
    void useLanguage(const QString &language = QStringLiteral("Englisch"), int vnr = 17)
    {
        t.open(sb, language);
        t.insert(QStringLiteral("VNr, FVok, FSatz, MVok, Fach"), {vnr, QStringLiteral("house"), QStringLiteral("It is."),
                                                                  QStringLiteral("Haus"), 1});
        Catalogue::ensureSoundFolder(language);
        AppState::instance().EditVNr = vnr;
    }
    QVariant field(const QString &name, int vnr = 17)
    {
        const QString sql = QStringLiteral("SELECT %1 FROM [%2] WHERE VNr = %3");
        return t.db->openRecordset(sql.arg(name, AppState::instance().CurrentTable).arg(vnr))->value(name);
    }
    // Bytes of sound in the window's file; -1 when it cannot be read.
    qsizetype savedBytes(const QString &relative)
    {
        Mci::Clip clip;
        return Mci::readWaveFile(sb.work->file(relative), clip) ? -1 : clip.pcm.size();
    }
    static bool nothingOpen()
    {
        return aliasMode(QStringLiteral("NeuWort")).isEmpty() && aliasMode(QStringLiteral("NeuSatz")).isEmpty();
    }
    // The card has no recording and nothing is left open.
    void checkNothingKept()
    {
        QVERIFY(nothingOpen());
        QVERIFY(field(QStringLiteral("FVokSound")).isNull() && field(QStringLiteral("FSatzSound")).isNull());
    }

private slots:
    void init()
    {
        sb.start();
        auto backend = std::make_unique<Mci::ToneBackend>();
        tone = backend.get();
        Mci::setBackend(std::move(backend));
    }
    void cleanup()
    {
        Mci::setStartTimeout(Mci::kDefaultStartTimeoutMs);
        Mci::setBackend(std::make_unique<Mci::ToneBackend>());
        tone = nullptr;
        t.close(sb);
    }

    void recordingWritesTheWaveAndStoresItsPath_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("folderGone"); // removed while recording: made again
        QTest::newRow("word") << "Englisch" << 0 << ".\\Englisch\\EnV17.wav" << false;
        QTest::newRow("word, folder removed") << "Englisch" << 0 << ".\\Englisch\\EnV17.wav" << true;
        QTest::newRow("sentence, umlaut") << "Französisch" << 1 << ".\\Französisch\\FrS17.wav" << false;
        QTest::newRow("sentence, one letter") << "X" << 1 << ".\\X\\XS17.wav" << false;
    }
    void recordingWritesTheWaveAndStoresItsPath()
    {
        QFETCH(QString, language);
        QFETCH(int, choice);
        QFETCH(QString, stored);
        QFETCH(bool, folderGone);
        const QString mine = choice ? QStringLiteral("FSatzSound") : QStringLiteral("FVokSound");
        const QString other = choice ? QStringLiteral("FVokSound") : QStringLiteral("FSatzSound");
        const QString relative = QString(stored).mid(2).replace(QLatin1Char('\\'), QLatin1Char('/'));
        useLanguage(language);
        sb.windows->onOpen(QStringLiteral("frmSound"), [&](QDialog &w) {
            auto button = [&w](const QString &name) { return w.findChild<QAbstractButton *>(name); };
            click(button(QStringLiteral("optSound(%1)").arg(choice)));
            click(button(QStringLiteral("cmdRecord")));
            // The choice is locked while recording.
            click(button(QStringLiteral("optSound(%1)").arg(1 - choice)));
            if (folderGone)
                QVERIFY(QDir(sb.work->file(language)).removeRecursively());
            click(button(QStringLiteral("cmdStop")));
            tone->clearLog();
            click(button(QStringLiteral("cmdPlay")));
            QCOMPARE(tone->log().size(), 1);
            QVERIFY(tone->log().first().startsWith(QStringLiteral("play ") + sb.work->file(relative)));
            click(button(QStringLiteral("btnExit")));
        });
        QVERIFY(Windows::open(Windows::Kind::Recording, nullptr).opened);
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(field(mine).toString(), stored);
        QVERIFY(field(other).isNull());
        QCOMPARE(savedBytes(relative), 2 * 11025); // the tone lasts half a second at 22050 Hz, mono
        QVERIFY(nothingOpen());
    }

    void missingCardGetsNoRecording()
    {
        useLanguage();
        AppState::instance().EditVNr = 99;
        frmSound w;
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Vokabel nicht gefunden!"));
        click(w.cmdRecord);
        QVERIFY(!w.isRecording());
        checkNothingKept();
    }

    void recordingThatCannotBeStored_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("blocked"); // a file takes the folder's place while recording
        QTest::addColumn<QString>("told"); // part of the message
        QTest::addColumn<QMessageBox::Icon>("icon");
        // A pair from a file made before such names were refused: its
        // recording would land outside the working directory.
        QTest::newRow("language leaves the folder") << "../Weg" << false << "" << QMessageBox::Critical;
        // The path outgrows the 50 characters of the field.
        QTest::newRow("path too long") << QStringLiteral("Sprache") + QString(40, QLatin1Char('x')) << false << "FVokSound" << QMessageBox::Critical;
        QTest::newRow("folder cannot be made again") << "Englisch" << true << "save ERROR:  " << QMessageBox::NoIcon;
    }
    void recordingThatCannotBeStored()
    {
        QFETCH(QString, language);
        QFETCH(bool, blocked);
        QFETCH(QString, told);
        QFETCH(QMessageBox::Icon, icon);
        const QString outside = sb.work->file(QStringLiteral("../Weg"));
        QDir(outside).removeRecursively();
        useLanguage(QString(language).remove(QStringLiteral("../")));
        AppState::instance().ForeignLanguage = language;
        frmSound w;
        click(w.cmdRecord);
        QVERIFY(w.isRecording());
        QFile blocker(sb.work->file(language));
        if (blocked)
            QVERIFY(QDir(blocker.fileName()).removeRecursively() && blocker.open(QIODevice::WriteOnly));
        click(w.cmdStop);
        const bool leaked = QFileInfo::exists(outside);
        QDir(outside).removeRecursively();
        QVERIFY(!leaked);
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().icon, icon);
        QVERIFY2(sb.spy->last().text.contains(told), qPrintable(sb.spy->last().text));
        QCOMPARE(AppState::instance().TableRecordset->editMode(), store::EditMode::None);
        checkNothingKept();
    }

    void deviceThatFailsToStartIsReported_data()
    {
        // The window never blocks: Record returns at once and the failure
        // comes when the device answers, or when it is given up on.
        QTest::addColumn<bool>("noDevice"); // else the device never confirms
        QTest::addColumn<QString>("message");
        QTest::newRow("no input device") << true << QStringLiteral("open ERROR:  ") + Mci::errorText(Mci::NoDevice);
        QTest::newRow("stalled server") << false << QStringLiteral("record ERROR:  ") + Mci::errorText(Mci::NoResponse);
    }
    void deviceThatFailsToStartIsReported()
    {
        QFETCH(bool, noDevice);
        QFETCH(QString, message);
        useLanguage();
        Mci::setStartTimeout(noDevice ? 600000 : 0);
        tone->setInputAvailable(!noDevice);
        tone->setConfirmsCaptures(noDevice);
        frmSound w;
        w.show();
        click(w.cmdRecord);
        QCOMPARE(w.isRecording(), !noDevice);
        QTRY_COMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, message);
        QVERIFY(!w.isRecording());
        checkNothingKept();
    }

    void leavingWhileRecordingClosesTheRecording()
    {
        useLanguage();
        {
            frmSound w;
            click(w.optSound[1]);
            click(w.cmdRecord);
            QVERIFY(w.isRecording());
        }
        checkNothingKept();
        QCOMPARE(sb.spy->count(), 0);
        QVERIFY(QDir(sb.work->file(QStringLiteral("Englisch"))).entryList(QDir::Files).isEmpty());
    }
};

QTEST_MAIN(TestFrmSound)
#include "tst_frmsound.moc"
