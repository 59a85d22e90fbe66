#pragma once

#include "Technician.h"
#include "TextsFit.h"
#include "UnitFixture.h"

#include "dialogs/VUConnect.h"

#include <QPushButton>

#include <QtTest>

// Checks and helpers shared by the tests of the dialogs that talk to a unit.

// aValue as aSize little-endian bytes, as the unit keeps its numbers.
inline QByteArray Le(quint64 aValue, int aSize)
{
    QByteArray bytes;
    for (int i = 0; i < aSize; ++i)
        bytes.append(char((aValue >> (8 * i)) & 0xFF));
    return bytes;
}

// The named child of aParent; a missing one ends the run, as every later check would fail on it.
template <class T> T* FindWidget(const QObject* aParent, const char* aName)
{
    T* w = aParent->findChild<T*>(aName);
    if (!w)
        qFatal("no widget %s", aName);
    return w;
}

// The unit falls silent under the shown dialog aDlg: one error with the dialog as its parent, then the
// dialog hides and stays hidden, its parked worker sending nothing more.
inline void CheckSilentUnitGivesOneErrorAndCloses(UnitFixture& aFix, Technician& aTech, const QWidget* aDlg)
{
    QString message;
    bool hadParent = false;
    aTech.Reset();
    aTech.In(QStringLiteral("VU_Error"), aTech.Press(QStringLiteral("btnOk"), &message, &hadParent));
    aTech.Start();
    VUSimulator::Faults silent;
    silent.silent = true;
    aFix.unit.SetFaults(silent);

    QTRY_VERIFY_WITH_TIMEOUT(aTech.Done() && !aDlg->isVisible(), 10000);
    aFix.unit.ClearFaults();
    QCOMPARE(message, VUErrorCauses(VUErr::NoReply, QString()));
    QVERIFY(hadParent);
    QTest::qWait(1000); // the parked worker sends nothing more, and no second window comes
    QVERIFY2(aTech.Failures().isEmpty(), aTech.Report());
    QCOMPARE(aTech.Seen(), QStringList{"VU_Error"});
    QVERIFY(!aDlg->isVisible());
}

// No unit answers on any port: constructing Dlg shows one parentless error naming the ports searched and
// throws, leaving no window of the dialog behind.
template <class Dlg> void CheckNoUnitAbandonsConstruction(Technician& aTech)
{
    SilentPorts ports;
    QVERIFY(ports.Start());
    SerialDirScope scope(ports.dir.path());
    QString message;
    bool hadParent = true;
    aTech.Reset();
    aTech.In(QStringLiteral("VU_Error"), aTech.Press(QStringLiteral("btnOk"), &message, &hadParent));
    aTech.Start();

    QVERIFY_THROWS_EXCEPTION(VUConnectAbandoned, Dlg());

    QCOMPARE(message, VUErrorCauses(VUErr::NoUnitFound, "2, 7"));
    QVERIFY(message.endsWith("2, 7."));
    QVERIFY(!hadParent);
    QVERIFY2(aTech.Failures().isEmpty(), aTech.Report());
    QCOMPARE(aTech.Seen(), QStringList{"VU_Error"});
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<Dlg*>(w));
}
