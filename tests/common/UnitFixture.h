#pragma once

#include "link/VUError.h"
#include "tools/vusim/VUSimulator.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// One simulated unit on port 5 of a private serial directory, shared by the tests of a class:
// every dialog construction searches the ports, so the fewer units and ports, the faster.
struct UnitFixture
{
    QTemporaryDir dir;
    VUSimulator unit;

    bool Start()
    {
        RegisterLinkMetaTypes();
        if (!dir.isValid())
            return false;
        qputenv("VELMORA_SERIAL_DIR", dir.path().toLocal8Bit());
        return unit.Start(dir.path(), 5);
    }

    // Write requests the unit received since the log was last cleared.
    QList<VUSimulator::Request> Writes() const
    {
        QList<VUSimulator::Request> writes;
        for (const VUSimulator::Request& r : unit.Log())
            if (r.service == 0x2E)
                writes.append(r);
        return writes;
    }
    // The same as (identifier, value bytes), to compare with a list the test writes out.
    QList<QPair<int, QByteArray>> Written() const
    {
        QList<QPair<int, QByteArray>> written;
        for (const VUSimulator::Request& r : Writes())
            written.append({r.id, r.value});
        return written;
    }
    QByteArray WrittenValue(int aId) const
    {
        for (const VUSimulator::Request& r : Writes())
            if (r.id == aId)
                return r.value;
        return QByteArray("(not written)");
    }
};

// Ports 2 and 7 exist in their own directory but no unit answers on them.
struct SilentPorts
{
    QTemporaryDir dir;
    VUSimulator port2;
    VUSimulator port7;

    bool Start()
    {
        VUSimulator::Faults silent;
        silent.silent = true;
        port2.SetFaults(silent);
        port7.SetFaults(silent);
        return dir.isValid() && port2.Start(dir.path(), 2) && port7.Start(dir.path(), 7);
    }
};

// Points the program's serial directory elsewhere for one scope.
class SerialDirScope
{
public:
    explicit SerialDirScope(const QString& aDir) : mOld(qgetenv("VELMORA_SERIAL_DIR"))
    {
        qputenv("VELMORA_SERIAL_DIR", aDir.toLocal8Bit());
    }
    ~SerialDirScope() { qputenv("VELMORA_SERIAL_DIR", mOld); }

private:
    QByteArray mOld;
};
