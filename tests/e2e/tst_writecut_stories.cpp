// A write cut short, from the launcher's buttons: the unit falls silent part-way through the writing cycle
// of each unit dialog, while the technician tries Закрыть, Esc and the window's close button. The dialog
// stays until the cycle has ended; the error then lists what reached the unit and what did not, and the
// list is checked against what the simulated unit holds afterwards. Программировать and Калибровать keep
// what was typed as a record; Первое включение, which has none, names the values typed.

#include "LauncherStory.h"

#include "UnitFixture.h"
#include "link/CKR_HiProt.h"
#include "records/RecordFile.h"

#include <QElapsedTimer>
#include <QTabWidget>
#include <QtTest>

using P = CKR_HiProt;

namespace {

// The values of the three writing cycles as the dialogs name them.
const QList<QPair<QString, int>> kNames = {
    {QStringLiteral("K-константа"), P::PID_KConst},
    {QStringLiteral("Характ. коэф. ТС (W)"), P::PID_WConst},
    {QStringLiteral("Эффект. окружн. шин (L)"), P::PID_LConst},
    {QStringLiteral("Следующ. калибровка"), P::PID_NextCalibration},
    {QStringLiteral("Источники информации о скорости"), P::PID_VUSettings},
    {QStringLiteral("B6-константа"), P::PID_B6Const},
    {QStringLiteral("B7-константа"), P::PID_B7Const},
    {QStringLiteral("Скорость шины CAN"), P::PID_CANSpeedometer},
    {QStringLiteral("VIN"), P::PID_VehicleVIN},
    {QStringLiteral("Страна регистрации (RUS)"), P::PID_MemberState},
    {QStringLiteral("Рег.номер"), P::PID_VehicleRegNo},
    {QStringLiteral("Шины"), P::PID_VehicleTyre},
    {QStringLiteral("Max.скорость"), P::PID_VehicleMaxSpeed},
    {QStringLiteral("Одометр"), P::PID_VUHROdometer},
    {QStringLiteral("Тек. дата (UTC) и часовой пояс"), P::PID_VUDateTime},
    {QStringLiteral("PIN"), P::PID_MdmPIN},
    {QStringLiteral("Точка доступа"), P::PID_MdmAPN},
    {QStringLiteral("Пользователь"), P::PID_MdmLogin},
    {QStringLiteral("Пароль"), P::PID_MdmPassword},
    {QStringLiteral("Автоматическое обновление"), P::PID_MdmUpdate},
    {QStringLiteral("Сервер ГЛОНАСС"), P::PID_MdmGlnURL},
    {QStringLiteral("Сервер МОНИТОР"), P::PID_MdmMonitURL},
    {QStringLiteral("Использовать GPRS-модем"), P::PID_VUSettings},
};

// The identifiers of the line "aHead: a, b." of the account (a name may be followed by the value typed).
QList<int> Listed(const QString& aMessage, const QString& aHead)
{
    QList<int> ids;
    for (const QString& line : aMessage.split(QLatin1Char('\n'))) {
        if (!line.startsWith(aHead + QStringLiteral(": ")) || !line.endsWith(QLatin1Char('.')))
            continue;
        const QString items = line.mid(aHead.size() + 2).chopped(1);
        for (const QString& item : items.split(QStringLiteral(", "))) {
            int id = -1;
            for (const auto& [name, nameId] : kNames)
                if (item == name || item.startsWith(name + QStringLiteral(" (")))
                    id = nameId;
            ids << id;
        }
    }
    return ids;
}

} // namespace

class tst_writecut_stories : public LauncherStory
{
    Q_OBJECT

private:
    UnitFixture mUnit;

    // The unit goes silent after aReplies more replies. Set right after a poll, so that no poll shares
    // those replies with the writes.
    void SilentAfter(int aReplies)
    {
        const int seen = mUnit.unit.RequestCount();
        QElapsedTimer waited;
        waited.start();
        while (mUnit.unit.RequestCount() == seen && waited.elapsed() < 3000)
            QTest::qWait(1);
        VUSimulator::Faults dead;
        dead.deadAfterFrames = aReplies;
        mUnit.unit.SetFaults(dead);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(mUnit.Start());
        QVERIFY(OpenWorkshop());
    }

    void cleanupTestCase() { mLauncher.reset(); }

    void writeCutShort_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QList<int>>("cycle");
        QTest::addColumn<int>("replies");   // the unit's replies before it falls silent
        QTest::addColumn<QString>("field"); // typed into, with text
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("record");
        QTest::newRow("Программировать")
            << "btnInfo"
            << "VUS_Info" << QList<int>{P::PID_VehicleVIN,  P::PID_MemberState,     P::PID_VehicleRegNo,
                                        P::PID_VehicleTyre, P::PID_VehicleMaxSpeed, P::PID_VUHROdometer,
                                        P::PID_VUDateTime,  P::PID_MdmPIN,          P::PID_MdmAPN,
                                        P::PID_MdmLogin,    P::PID_MdmPassword,     P::PID_MdmUpdate,
                                        P::PID_MdmGlnURL,   P::PID_MdmMonitURL,     P::PID_VUSettings}
            << 3 << "edtVehicleRegNo"
            << "B123OP77" << true;
        // The case: the new K, W and L reach the unit, the date, B6 and B7 do not.
        QTest::newRow("Калибровать") << "btnCalibr"
                                     << "VUC_Clbr" << QList<int>{P::PID_KConst,     P::PID_WConst,
                                                                 P::PID_LConst,     P::PID_NextCalibration,
                                                                 P::PID_VUSettings, P::PID_B6Const,
                                                                 P::PID_B7Const,    P::PID_CANSpeedometer}
                                     << 3 << ""
                                     << "" << true;
        QTest::newRow("Первое включение")
            << "btnFirst"
            << "VU_First" << QList<int>{P::PID_VUDateTime, P::PID_VehicleVIN} << 1 << "edtVehicleVIN"
            << "XTA21099070001234" << false;
    }
    void writeCutShort()
    {
        QFETCH(QString, button);
        QFETCH(QString, window);
        QFETCH(QList<int>, cycle);
        QFETCH(int, replies);
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(bool, record);
        mUnit.unit.ClearFaults();
        mUnit.unit.ResetValues();
        const QString unitVin = mUnit.unit.Value(P::PID_VehicleVIN).toString().trimmed();
        // A clock far from the PC's, so that a written clock tells.
        mUnit.unit.SetVUClock(QDateTime(QDate(2015, 6, 1), QTime(12, 0), Qt::UTC), 0);
        const auto clockWritten = [this] { return mUnit.unit.VUClock().date().year() > 2015; };
        QHash<int, QByteArray> old;
        const QString path = InWork(button + QStringLiteral("_cut.xml"));

        Technician tech;
        QString message;
        tech.In(
            window,
            [&](QWidget* w) {
                if (auto* tabs = Technician::Find<QTabWidget>(w, QStringLiteral("tabWidget")))
                    tabs->setCurrentIndex(1); // "Рег.инф."
                if (!field.isEmpty())
                    Technician::Type(Technician::Find<QWidget>(w, field), text);
                if (cycle.contains(P::PID_VUDateTime))
                    tech.Click(w, QStringLiteral("btnSetVUDateTime")); // the PC's clock
                // The unit now holds, for each value, another than the dialog will write.
                for (const int id : cycle) {
                    if (id == P::PID_VUDateTime)
                        continue;
                    QByteArray raw = mUnit.unit.RawValue(id);
                    if (raw.isEmpty())
                        raw = "X";
                    raw[raw.size() - 1] = char(raw[raw.size() - 1] ^ 1);
                    mUnit.unit.SetRawValue(id, raw);
                    old[id] = raw;
                }
                tech.Click(w, QStringLiteral("btnWrite"));
            },
            Technician::Enabled(QStringLiteral("btnWrite")));
        tech.In(QStringLiteral("VU_Confirm"), [&](QWidget* w) {
            SilentAfter(replies);
            tech.Click(w, QStringLiteral("okButton"));
        });
        // Mid-cycle: Закрыть cannot be pressed; Esc and the window's close button leave the dialog open.
        tech.In(
            window,
            [&](QWidget* w) {
                auto* close = Technician::Find<QAbstractButton>(w, QStringLiteral("btnClose"));
                tech.Check(close && !close->isEnabled(),
                           QStringLiteral("Закрыть is enabled during the write"));
                if (close)
                    QTest::mouseClick(close, Qt::LeftButton);
                QTest::keyClick(w, Qt::Key_Escape);
                w->close();
                tech.Check(w->isVisible(), QStringLiteral("the dialog closed during the write"));
            },
            [](QWidget* w) { return !Technician::Enabled(QStringLiteral("btnWrite"))(w); });
        tech.In(QStringLiteral("VU_Error"), tech.Press(QStringLiteral("btnOk"), &message));
        if (record) {
            tech.In(QStringLiteral("VU_Confirm"),
                    [&](QWidget* w) { tech.Click(w, QStringLiteral("okButton")); });
            tech.In(QStringLiteral("QFileDialog"), ChooseFile(path));
        }
        tech.Run(Button(button.toLatin1().constData()));
        mUnit.unit.ClearFaults();
        CheckBackAtLauncher(tech);

        // The error window with its causes (no reply), then the account.
        QVERIFY2(message.startsWith(QStringLiteral("  1. Выключили тахограф.")), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("\n\nЗапись прервана.\n")), qPrintable(message));
        const QList<int> written = Listed(message, QStringLiteral("Записаны в тахограф"));
        const QList<int> unknown = Listed(message, QStringLiteral("Не известно, записано ли"));
        const QList<int> notWritten = Listed(message, QStringLiteral("Не записаны"));
        QList<int> listed = written + unknown + notWritten;
        std::sort(listed.begin(), listed.end());
        std::sort(cycle.begin(), cycle.end());
        QCOMPARE(listed, cycle); // each value of the cycle once
        QCOMPARE(unknown.size(), 1);
        QVERIFY2(!written.isEmpty(), qPrintable(message));
        // What the unit holds: each value listed as written is the dialog's, each one not written the old.
        for (const int id : cycle) {
            const bool holdsNew =
                id == P::PID_VUDateTime ? clockWritten() : mUnit.unit.RawValue(id) != old[id];
            if (written.contains(id))
                QVERIFY2(holdsNew, qPrintable(QStringLiteral("0x%1 listed as written").arg(id, 0, 16)));
            if (notWritten.contains(id))
                QVERIFY2(!holdsNew, qPrintable(QStringLiteral("0x%1 listed as not written").arg(id, 0, 16)));
        }

        if (record) {
            QDomDocument doc;
            QVERIFY(ReadRecordFile(path, doc));
            QCOMPARE(RecordVin(doc), unitVin);
            if (!text.isEmpty())
                QVERIFY2(doc.toString().contains(text), qPrintable(doc.toString()));
        } else {
            QVERIFY2(message.contains(text), qPrintable(message)); // the value typed, for the next try
        }
    }
};

QTEST_MAIN(tst_writecut_stories)
#include "tst_writecut_stories.moc"
