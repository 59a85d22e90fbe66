// One story of the serial port against simulated units, told the same way to the POSIX port (built
// natively) and to the Windows port (built with mingw-w64, run under Wine). run.sh starts the units:
//   port 1  a unit that answers,
//   port 2  a unit that never answers,
//   port 3  a unit whose replies pause for 500 ms after their 12th byte,
//   port 9  nothing at all.
// Prints every check; exits 1 when one fails.
#include "link/CKR_LoLev.h"
#include "link/UART.h"

#include <QByteArray>

#include <chrono>
#include <cstdio>
#include <string>

namespace {

constexpr int kAnswering = 1;
constexpr int kSilent = 2;
constexpr int kPausing = 3;
constexpr int kMissing = 9;
constexpr int kBaud = 9600;
constexpr quint8 kPc = 0xF0;
constexpr quint8 kUnit = 0xEE;
constexpr int kPauseAfter = 12; // bytes of a reply before the pausing unit stops for a while
// Slack on top of the limit of a read that nobody answers: a busy machine wakes late, never early.
constexpr int kLateMs = 300;

class Stopwatch
{
public:
    int Ms() const
    {
        return int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - mStart).count());
    }

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point mStart = Clock::now();
};

QByteArray Bytes(std::initializer_list<int> aBytes)
{
    QByteArray out;
    for (const int b : aBytes)
        out.append(char(b));
    return out;
}

std::string Hex(const QByteArray& aBytes)
{
    std::string out;
    char two[4];
    for (const char c : aBytes) {
        std::snprintf(two, sizeof two, "%02x ", unsigned(quint8(c)));
        out += two;
    }
    return out.empty() ? "(nothing)" : out.substr(0, out.size() - 1);
}

// Service byte, identifier low and high byte, then the value bytes (if any).
QByteArray Data(int aService, int aId, const QByteArray& aValue = {})
{
    return Bytes({aService, aId & 0xFF, aId >> 8}).append(aValue);
}

class Story
{
public:
    void OpenAndClose();
    void MissingPort();
    void Exchanges();
    void SilentUnit();
    void PauseInReply();
    int Result() const;

private:
    bool Check(bool aOk, const std::string& aWhat);
    bool CheckBytes(const QByteArray& aGot, const QByteArray& aWant, const std::string& aWhat);
    bool CheckMs(int aMs, int aMin, int aMax, const std::string& aWhat);
    // Sends a request frame as the link builds it and checks that the reply frame is aReplyData, byte
    // for byte.
    void Transfer(UART& aPort, const QByteArray& aData, const QByteArray& aReplyData,
                  const std::string& aWhat);

    int mChecks = 0;
    int mFailures = 0;
};

bool Story::Check(bool aOk, const std::string& aWhat)
{
    ++mChecks;
    if (!aOk)
        ++mFailures;
    std::printf("%s %s\n", aOk ? "ok  " : "FAIL", aWhat.c_str());
    std::fflush(stdout);
    return aOk;
}

bool Story::CheckBytes(const QByteArray& aGot, const QByteArray& aWant, const std::string& aWhat)
{
    if (aGot == aWant)
        return Check(true, aWhat);
    return Check(false, aWhat + "\n     got  " + Hex(aGot) + "\n     want " + Hex(aWant));
}

bool Story::CheckMs(int aMs, int aMin, int aMax, const std::string& aWhat)
{
    return Check(aMs >= aMin && aMs <= aMax, aWhat + ": " + std::to_string(aMs) + " ms (" +
                                                 std::to_string(aMin) + " to " + std::to_string(aMax) + ")");
}

int Story::Result() const
{
    std::printf("%d checks, %d failed\n", mChecks, mFailures);
    return mFailures == 0 ? 0 : 1;
}

void Story::OpenAndClose()
{
    UART port;
    char byte = 0;
    Check(port.Open(kAnswering, kBaud) == S_OK && port.IsOpen(), "port 1 opens");
    port.Close();
    Check(!port.IsOpen(), "port 1 closes");
    Check(port.Read(&byte, 1, 50) == -1 && port.Write(&byte, 1, 50) == -1,
          "a closed port reads and writes -1");
    Check(port.Open(kAnswering, kBaud) == S_OK && port.IsOpen(), "port 1 opens again");
    Check(port.Open(kAnswering, kBaud) == S_OK && port.IsOpen(), "port 1 opens again while open");
    port.Close();
}

void Story::MissingPort()
{
    UART port;
    Check(port.Open(kMissing, kBaud) == E_UART && !port.IsOpen(), "a missing port fails with E_UART");
}

void Story::Transfer(UART& aPort, const QByteArray& aData, const QByteArray& aReplyData,
                     const std::string& aWhat)
{
    const QByteArray frame = CKR_LoLev::BuildFrame(aData, kUnit, kPc);
    const QByteArray want = CKR_LoLev::BuildFrame(aReplyData, kPc, kUnit);
    const int size = int(frame.size());
    if (!Check(aPort.Write(frame.constData(), size, aPort.TransferTime(size, 0)) == size, aWhat + ": sent"))
        return;
    QByteArray got(want.size(), '\0');
    const int n = aPort.Read(got.data(), int(got.size()), aPort.TransferTime(int(got.size()), 500));
    CheckBytes(got.left(n < 0 ? -n : n), want, aWhat + ": reply");
}

// Values with the bytes a line could translate or eat: XON, XOFF, NUL, CR, LF, Ctrl-Z, 0x7F, 0xFF.
void Story::Exchanges()
{
    constexpr int kKConst = 0xF918;
    constexpr int kVin = 0xF190;
    const QByteArray kconst = Bytes({0x11, 0x13});
    const QByteArray vin = Bytes({0x13, 0x11, 0x00, 0x0D, 0x0A, 0x1A, 0x7F, 0x80, 0xFF, 0x03, 0x1C, 0x5C,
                                  0x08, 0x57, 0x44, 0x42, 0xF0});

    UART port;
    if (!Check(port.Open(kAnswering, kBaud) == S_OK, "port 1 opens for the exchanges"))
        return;
    Transfer(port, Data(0x2E, kKConst, kconst), Data(0x6E, kKConst), "write KConst 11 13");
    Transfer(port, Data(0x22, kKConst), Data(0x62, kKConst, kconst), "read KConst");
    Transfer(port, Data(0x2E, kVin, vin), Data(0x6E, kVin), "write VehicleVIN");
    Transfer(port, Data(0x22, kVin), Data(0x62, kVin, vin), "read VehicleVIN");

    // The link layer on top of this port.
    CKR_LoLev link(&port, kPc);
    QByteArray reply;
    Check(link.Exchange(Data(0x22, kVin), reply, kUnit, 100), "link reads VehicleVIN");
    CheckBytes(reply, Data(0x62, kVin, vin), "link: VehicleVIN reply data");
    Check(!link.Exchange(Data(0x2E, kKConst, Bytes({1, 2, 3})), reply, kUnit, 100) &&
              link.LinkError() == VUErr::RC_IML,
          "link: a KConst of three bytes is refused with reason 0x13");
}

// Each read ends near its computed limit with nothing; the link gives up after its three attempts.
void Story::SilentUnit()
{
    UART port;
    if (!Check(port.Open(kSilent, kBaud) == S_OK, "port 2 opens"))
        return;
    const QByteArray frame = CKR_LoLev::BuildFrame(Data(0x22, 0xF918), kUnit, kPc);
    port.Write(frame.constData(), int(frame.size()), port.TransferTime(int(frame.size()), 0));
    struct Case
    {
        int count;
        int extraMs;
    };
    for (const Case c : {Case{1, 200}, Case{20, 0}, Case{100, 0}, Case{200, 100}}) {
        QByteArray buf(c.count, '\0');
        const int limit = port.TransferTime(c.count, c.extraMs);
        const Stopwatch watch;
        const int n = port.Read(buf.data(), c.count, limit);
        const int ms = watch.Ms();
        const std::string what = "silent read of " + std::to_string(c.count) + " bytes";
        Check(n == 0, what + " gets nothing (" + std::to_string(n) + ")");
        CheckMs(ms, limit - 2, limit + kLateMs, what + " ends at its limit");
    }
    for (const int limit : {0, -5}) {
        char byte = 0;
        const Stopwatch watch;
        const int n = port.Read(&byte, 1, limit);
        const std::string what = "silent read with a limit of " + std::to_string(limit) + " ms";
        Check(n == 0, what + " gets nothing (" + std::to_string(n) + ")");
        CheckMs(watch.Ms(), 0, kLateMs, what + " ends at once");
    }

    CKR_LoLev link(&port, kPc);
    QByteArray reply;
    const int attempt = port.TransferTime(1, 100) + 75; // the link's own limit for the first reply byte
    const Stopwatch watch;
    Check(!link.Exchange(Data(0x22, 0xF918), reply, kUnit, 100) && link.LinkError() == VUErr::NoReply,
          "link: no reply");
    CheckMs(watch.Ms(), 3 * attempt - 2, 3 * attempt + 3 * kLateMs, "link: three attempts");
}

// A reply that pauses in the middle: the read ends 70 ms after the last byte with what came, and the
// rest arrives whole in the next read.
void Story::PauseInReply()
{
    constexpr int kVin = 0xF190;
    const QByteArray vin = Bytes({0x57, 0x13, 0x42, 0x11, 0x36, 0x33, 0x34, 0x30, 0x33, 0x31, 0x4C, 0x31,
                                  0x32, 0x33, 0x34, 0x35, 0x36});
    UART port;
    if (!Check(port.Open(kPausing, kBaud) == S_OK, "port 3 opens"))
        return;
    Transfer(port, Data(0x2E, kVin, vin), Data(0x6E, kVin), "write VehicleVIN (short reply, no pause)");

    const QByteArray frame = CKR_LoLev::BuildFrame(Data(0x22, kVin), kUnit, kPc);
    const QByteArray want = CKR_LoLev::BuildFrame(Data(0x62, kVin, vin), kPc, kUnit);
    port.Write(frame.constData(), int(frame.size()), port.TransferTime(int(frame.size()), 0));
    QByteArray got(want.size(), '\0');
    Stopwatch watch;
    const int first = port.Read(got.data(), int(got.size()), 1000);
    const int firstMs = watch.Ms();
    Check(first == kPauseAfter, "the read ends at the pause with " + std::to_string(first) + " bytes");
    // Up to the pause: the request and 12 bytes at 9600 baud, the unit's 5 ms, then the 70 ms gap.
    CheckMs(firstMs, 70, 450, "the read ends by the 70 ms gap");
    if (first <= 0 || first >= got.size())
        return;
    watch = Stopwatch();
    const int rest = port.Read(got.data() + first, int(got.size()) - first, 1000);
    Check(rest == int(got.size()) - first, "the rest arrives: " + std::to_string(rest) + " bytes");
    CheckBytes(got.left(first + (rest > 0 ? rest : 0)), want, "nothing lost: the whole reply");
    char extra = 0;
    Check(port.Read(&extra, 1, 100) == 0, "nothing after the reply");
}

} // namespace

int main()
{
    Story story;
    story.OpenAndClose();
    story.MissingPort();
    story.Exchanges();
    story.SilentUnit();
    story.PauseInReply();
    return story.Result();
}
