#include "TextsFit.h"
#include "dialogs/CKR_MeasureDlg.h"

#include <QDoubleSpinBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

#include <memory>

// Drives the real dialog as the technician does: the counter readings arrive through OnImp, the
// buttons are clicked.
class tst_measure : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void countsImpulsesOfOneRun();
    void counterWrapsAround();
    void firstReadingWithoutBaseIsOnlyTheBase();
    void readingsWhileStoppedMoveTheBase();
    void totalStopsAtCounterRange();
    void distanceChangeRecomputesWhileStopped();
    void addingRunsAverages_data();
    void addingRunsAverages();
    void addImpossibleWhileRunningOrEmpty();
    void clearDisablesOk();
    void okHandsAverageBack();
    void form();

private:
    void Click(const char* aName);
    void Run(quint32 aFrom, quint32 aTo);
    QString Impulses() const { return mDlg->findChild<QLineEdit*>(QStringLiteral("edtImpulse"))->text(); }
    QString CurrentText() const { return mDlg->findChild<QLabel*>(QStringLiteral("lblCur"))->text(); }
    QPushButton* Button(const char* aName) const
    {
        return mDlg->findChild<QPushButton*>(QLatin1String(aName));
    }
    QDoubleSpinBox* Distance() const
    {
        return mDlg->findChild<QDoubleSpinBox*>(QStringLiteral("dseDistance"));
    }
    QTableWidget* Table() const { return mDlg->findChild<QTableWidget*>(QStringLiteral("tblList")); }

    std::unique_ptr<CKR_MeasureDlg> mDlg;
};

void tst_measure::init()
{
    mDlg = std::make_unique<CKR_MeasureDlg>();
    mDlg->show();
}

void tst_measure::cleanup()
{
    mDlg.reset();
}

void tst_measure::Click(const char* aName)
{
    QPushButton* button = Button(aName);
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

// One run: a base reading while stopped, Start, a reading, Stop.
void tst_measure::Run(quint32 aFrom, quint32 aTo)
{
    mDlg->OnImp(aFrom);
    Click("btnStartStop");
    mDlg->OnImp(aTo);
    Click("btnStartStop");
}

void tst_measure::countsImpulsesOfOneRun()
{
    mDlg->OnImp(1000);
    Click("btnStartStop");
    QCOMPARE(Button("btnStartStop")->text(), QStringLiteral("Стоп"));
    QCOMPARE(Impulses(), QStringLiteral("0"));
    QVERIFY(CurrentText().isEmpty());

    mDlg->OnImp(1100);
    QCOMPARE(Impulses(), QStringLiteral("100"));
    mDlg->OnImp(1250);
    QCOMPARE(Impulses(), QStringLiteral("250"));
    QCOMPARE(CurrentText(), QStringLiteral("W-конст.=12500 имп/км"));

    Click("btnStartStop");
    QCOMPARE(Button("btnStartStop")->text(), QStringLiteral("Старт"));
    QCOMPARE(Impulses(), QStringLiteral("250"));
    QCOMPARE(CurrentText(), QStringLiteral("W-конст.=12500 имп/км"));
    QVERIFY(Button("btnAdd")->isEnabled());
}

void tst_measure::counterWrapsAround()
{
    Run(4294967293u, 5); // 2^32 - 3, then 5 after the wrap
    QCOMPARE(Impulses(), QStringLiteral("8"));

    // A wrap in the middle of a run, exactly onto 0.
    mDlg->OnImp(4294967290u);
    Click("btnStartStop");
    mDlg->OnImp(4294967295u);
    mDlg->OnImp(0);
    mDlg->OnImp(10);
    QCOMPARE(Impulses(), QStringLiteral("16"));
}

void tst_measure::firstReadingWithoutBaseIsOnlyTheBase()
{
    Click("btnStartStop");
    mDlg->OnImp(500000);
    QCOMPARE(Impulses(), QStringLiteral("0"));
    mDlg->OnImp(500100);
    QCOMPARE(Impulses(), QStringLiteral("100"));
}

void tst_measure::readingsWhileStoppedMoveTheBase()
{
    Run(100, 150);
    QCOMPARE(Impulses(), QStringLiteral("50"));

    // The vehicle moves on while stopped: those impulses belong to no run.
    mDlg->OnImp(1000);
    Click("btnStartStop");
    QCOMPARE(Impulses(), QStringLiteral("0"));
    mDlg->OnImp(1010);
    QCOMPARE(Impulses(), QStringLiteral("10"));
}

void tst_measure::totalStopsAtCounterRange()
{
    Run(0, 4294967295u);
    QCOMPARE(Impulses(), QStringLiteral("4294967295"));
    // 64-bit W: 4294967295 * 1000 / 20.
    QCOMPARE(CurrentText(), QStringLiteral("W-конст.=214748364750 имп/км"));

    Click("btnStartStop");
    mDlg->OnImp(4294967295u);
    mDlg->OnImp(4294967294u); // almost a full turn: 2^32 - 1 impulses
    mDlg->OnImp(100);         // would go beyond the counter range: ignored
    QCOMPARE(Impulses(), QStringLiteral("4294967295"));
}

void tst_measure::distanceChangeRecomputesWhileStopped()
{
    Run(0, 250);
    QVERIFY(Distance()->isEnabled());
    Distance()->setValue(25.0);
    QCOMPARE(CurrentText(), QStringLiteral("W-конст.=10000 имп/км"));
    Distance()->setValue(30.0);
    QCOMPARE(CurrentText(), QStringLiteral("W-конст.=8333 имп/км"));

    Click("btnStartStop");
    QVERIFY(!Distance()->isEnabled());
    Click("btnStartStop");
    QVERIFY(Distance()->isEnabled());

    // Range 1 to 1000 m, one decimal: beyond it the distance stays as it is, marked, and gives no W.
    Distance()->setValue(0.2);
    QCOMPARE(Distance()->value(), 0.2);
    QCOMPARE(CurrentText(), QStringLiteral("W-конст.=? имп/км"));
    Distance()->setValue(5000);
    QCOMPARE(Distance()->value(), 5000.0);
    QCOMPARE(CurrentText(), QStringLiteral("W-конст.=? имп/км"));
    QCOMPARE(Distance()->decimals(), 1);
}

void tst_measure::addingRunsAverages_data()
{
    QTest::addColumn<QList<quint32>>("impulses");
    QTest::addColumn<QList<double>>("distances");
    QTest::addColumn<QStringList>("wColumn");
    QTest::addColumn<uint>("average");

    QTest::newRow("one run") << QList<quint32>{250} << QList<double>{20.0} << QStringList{"12500"} << 12500u;
    QTest::newRow("12500 and 12503") << QList<quint32>{250, 12503} << QList<double>{20.0, 1000.0}
                                     << QStringList{"12500", "12503"} << 12501u;
    QTest::newRow("three runs, truncated")
        << QList<quint32>{8000, 8001, 8001} << QList<double>{1000.0, 1000.0, 1000.0}
        << QStringList{"8000", "8001", "8001"} << 8000u;
    QTest::newRow("fractional distance")
        << QList<quint32>{1000} << QList<double>{12.5} << QStringList{"80000"} << 80000u;
    // A run's W is truncated, however near the next whole number: 17586.2 and 12475.7.
    for (const auto& [impulses, metres] : {std::pair{357u, 20.3}, std::pair{257u, 20.6}}) {
        const auto w = static_cast<uint>(impulses * 1000 / metres);
        QTest::addRow("%u over %.1f m", impulses, metres)
            << QList<quint32>{impulses} << QList<double>{metres} << QStringList{QString::number(w)} << w;
    }
}

void tst_measure::addingRunsAverages()
{
    QFETCH(QList<quint32>, impulses);
    QFETCH(QList<double>, distances);
    QFETCH(QStringList, wColumn);
    QFETCH(uint, average);

    quint32 counter = 7;
    for (int i = 0; i < impulses.size(); ++i) {
        Distance()->setValue(distances[i]);
        Run(counter, counter + impulses[i]);
        counter += impulses[i] + 3;
        Click("btnAdd");

        QCOMPARE(Impulses(), QStringLiteral("0"));
        QCOMPARE(CurrentText(), QStringLiteral("W-конст.=0 имп/км"));
        QVERIFY(!Button("btnAdd")->isEnabled());
        QVERIFY(Button("btnClear")->isEnabled());
        QVERIFY(Button("btnOK")->isEnabled());
        QCOMPARE(mDlg->focusWidget(), Button("btnStartStop"));
    }

    QTableWidget* table = Table();
    QCOMPARE(table->rowCount(), impulses.size());
    for (int row = 0; row < table->rowCount(); ++row) {
        QCOMPARE(table->item(row, 0)->text(), QString::number(row));
        QCOMPARE(table->item(row, 1)->text(), QString::number(impulses[row]));
        QCOMPARE(table->item(row, 2)->text(), QString::number(distances[row], 'g', 6));
        QCOMPARE(table->item(row, 3)->text(), wColumn[row]);
        for (int column = 0; column < 4; ++column) {
            const QTableWidgetItem* item = table->item(row, column);
            QCOMPARE(item->flags(), Qt::ItemFlags(Qt::ItemIsEnabled));
            QCOMPARE(item->textAlignment(), int(Qt::AlignRight | Qt::AlignVCenter));
            QCOMPARE(item->font().pointSize(), 18);
        }
    }
    QCOMPARE(mDlg->GetAverageW(), average);
    QCOMPARE(mDlg->findChild<QLabel*>(QStringLiteral("lblMid"))->text(),
             QStringLiteral("Ср.W-конст.=%1 имп/км").arg(average));
}

void tst_measure::addImpossibleWhileRunningOrEmpty()
{
    QVERIFY(!Button("btnAdd")->isEnabled());
    mDlg->OnImp(10);
    Click("btnStartStop");
    mDlg->OnImp(20);
    QVERIFY(!Button("btnAdd")->isEnabled());
    QVERIFY(!Button("btnClear")->isEnabled());
    Click("btnAdd");
    QCOMPARE(Table()->rowCount(), 0);

    // A run without impulses.
    Click("btnStartStop");
    Click("btnStartStop");
    mDlg->OnImp(20);
    Click("btnStartStop");
    QVERIFY(!Button("btnAdd")->isEnabled());
    Click("btnAdd");
    QCOMPARE(Table()->rowCount(), 0);
    QCOMPARE(mDlg->GetAverageW(), 0u);
}

void tst_measure::clearDisablesOk()
{
    Run(0, 250);
    Click("btnAdd");
    Run(1000, 1250);
    Click("btnAdd");
    QCOMPARE(mDlg->GetAverageW(), 12500u);
    QVERIFY(Button("btnOK")->isEnabled());

    Click("btnClear");
    QCOMPARE(Table()->rowCount(), 0);
    QVERIFY(!Button("btnOK")->isEnabled());
    QVERIFY(!Button("btnClear")->isEnabled());
    QVERIFY(mDlg->findChild<QLabel*>(QStringLiteral("lblMid"))->text().isEmpty());
    QCOMPARE(mDlg->GetAverageW(), 0u);

    // Numbering starts again from 0.
    Run(2000, 2100);
    Click("btnAdd");
    QCOMPARE(Table()->item(0, 0)->text(), QStringLiteral("0"));
    QCOMPARE(mDlg->GetAverageW(), 5000u);
}

void tst_measure::okHandsAverageBack()
{
    QSignalSpy finished(mDlg.get(), &QDialog::finished);
    Run(0, 250);
    Click("btnAdd");
    Click("btnOK");
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Accepted));
    QCOMPARE(mDlg->GetAverageW(), 12500u);
}

void tst_measure::form()
{
    QCOMPARE(mDlg->windowTitle(), QStringLiteral("Вестра:Вельмора. v1.0"));
    QCOMPARE(mDlg->size(), QSize(680, 430));
    QCOMPARE(mDlg->minimumSize(), mDlg->maximumSize());
    QCOMPARE(mDlg->font().pointSize(), 18);
    QCOMPARE(Distance()->value(), 20.0);
    QCOMPARE(Table()->columnWidth(0), 50);
    QCOMPARE(Table()->columnWidth(1), 90);
    QCOMPARE(Table()->columnWidth(2), 80);
    QCOMPARE(Table()->horizontalHeaderItem(3)->text(), QStringLiteral("W-конст."));
    QVERIFY(!Table()->verticalHeader()->isVisible());
    QVERIFY(mDlg->findChild<QLineEdit*>(QStringLiteral("edtImpulse"))->isReadOnly());

    // Long results stay readable.
    Run(0, 99999);
    Click("btnAdd");
    Run(0, 99999);
    QCOMPARE(ClippedTexts(mDlg.get()).join(QLatin1Char(' ')), QString());
}

QTEST_MAIN(tst_measure)
#include "tst_measure.moc"
