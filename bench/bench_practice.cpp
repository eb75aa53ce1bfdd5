// SPDX-License-Identifier: GPL-3.0-or-later
// Times the practice window on a large table: opening a compartment of an
// eighth of the cards up to the first card shown, and one step to the next
// card (grading, storing the card, showing the next one).
//
//   bench_practice [folder] [sizes...]     default: /tmp 1000000
//   BENCH_KEEP=1 keeps the filled file and uses it again next time.

#include "BenchData.h"
#include "core/AppState.h"
#include "core/Random.h"
#include "audio/Mci.h"
#include "audio/ToneBackend.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/common/Messages.h"
#include "ui/practice/frmVokabel.h"

#include <QApplication>
#include <QFileInfo>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

constexpr int kFach = 3;
constexpr int kOpenings = 7;
constexpr int kSteps = 60;

void run(const QString &folder, int cards)
{
    const QString path = folder + QStringLiteral("/bench-practice-%1.mdb").arg(cards);
    std::printf("\n== %d cards (%s)\n", cards, qPrintable(path));
    if (!QFileInfo::exists(path) || qEnvironmentVariableIsEmpty("BENCH_KEEP"))
        std::printf("fill: %.0f ms\n", msOf([&] { fill(path, cards); }));

    AppState::resetForTesting();
    AppState &a = AppState::instance();
    a.Database = store::Database::open(path);
    a.CurrentTable = QStringLiteral("tEnglisch");
    a.ForeignLanguage = QStringLiteral("Englisch");
    a.NativeLanguage = QStringLiteral("Deutsch");
    a.Abfrage = 3;
    a.Repeats = 2;
    a.Versuche = 1;
    a.CurrentFach = kFach;

    std::vector<double> opens;
    std::vector<double> bare;
    std::vector<double> steps;
    for (int round = 0; round < kOpenings; ++round) {
        // The engine alone: the compartment's rows, unordered.
        bare.push_back(msOf([&] {
            auto rs = Records::openCompartment(kFach, false);
            if (rs->rowCount() == 0)
                std::printf("empty compartment\n");
        }));

        std::unique_ptr<frmVokabel> w;
        QPushButton *view = nullptr;
        QPushButton *richtig = nullptr;
        QPushButton *falsch = nullptr;
        opens.push_back(msOf([&] {
            a.CompartmentRecordset = Records::openCompartment(kFach, false);
            Random::seedFromClock();
            w = std::make_unique<frmVokabel>();
            w->show();
            QCoreApplication::processEvents();
        }));
        view = w->findChild<QPushButton *>(QStringLiteral("btnView"));
        richtig = w->findChild<QPushButton *>(QStringLiteral("btnRichtig"));
        falsch = w->findChild<QPushButton *>(QStringLiteral("btnFalsch"));
        if (round == 0)
            std::printf("first title: %s\n", qPrintable(w->windowTitle()));
        for (int i = 0; i < kSteps; ++i) {
            view->click();
            // Right and wrong in turn: a card moves up, another goes back.
            QPushButton *grade = i % 2 ? falsch : richtig;
            steps.push_back(msOf([&] { grade->click(); }));
        }
        w->reject();
        w.reset();
        a.CompartmentRecordset.reset();
    }
    std::printf("engine, compartment opened unordered: median %.1f ms\n", median(bare));
    std::printf("practice window, to the first card:   median %.1f ms (goal < 150 ms)\n", median(opens));
    std::printf("one step (grade, store, next card):   median %.2f ms, worst %.2f ms (goal < 5 ms)\n",
                median(steps), *std::max_element(steps.begin(), steps.end()));
    a.Database.reset();
    AppState::resetForTesting();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Mci::setBackend(std::make_unique<Mci::ToneBackend>());
    Msg::setResponder([](QMessageBox &) { return QMessageBox::Ok; });
    return runForSizes(argc, argv, {1000000}, run);
}
