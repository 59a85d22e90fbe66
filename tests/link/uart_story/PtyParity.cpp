// Preloaded into Wine for the serial port story. A Linux pseudo-terminal drops the parity-enable flag of
// every setting it is given; glibc's tcsetattr then reports EINVAL because the line differs from the
// request, and Wine's SetCommState fails with it. This forgives exactly that case: a pseudo-terminal
// whose only difference from the request is the missing PARENB. Parity itself cannot be seen on a
// pseudo-terminal, so the story does not check it.
#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>

namespace {

// Unix 98 pseudo-terminal slaves have majors 136 to 143.
bool IsPtySlave(int aFd)
{
    struct stat st
    {
    };
    return ::fstat(aFd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= 136 &&
           major(st.st_rdev) <= 143;
}

bool OnlyParityDropped(const termios& aWanted, const termios& aGot)
{
    return aGot.c_iflag == aWanted.c_iflag && aGot.c_oflag == aWanted.c_oflag &&
           aGot.c_lflag == aWanted.c_lflag && (aGot.c_cflag ^ aWanted.c_cflag) == PARENB &&
           (aWanted.c_cflag & PARENB) != 0 && std::memcmp(aGot.c_cc, aWanted.c_cc, sizeof aGot.c_cc) == 0 &&
           cfgetispeed(&aGot) == cfgetispeed(&aWanted) && cfgetospeed(&aGot) == cfgetospeed(&aWanted);
}

} // namespace

extern "C" int tcsetattr(int aFd, int aWhen, const termios* aWanted)
{
    using Real = int (*)(int, int, const termios*);
    static const Real real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "tcsetattr"));
    const int result = real(aFd, aWhen, aWanted);
    if (result == 0 || errno != EINVAL || aWanted == nullptr || !IsPtySlave(aFd))
        return result;
    const int savedErrno = errno;
    termios got{};
    if (::tcgetattr(aFd, &got) == 0 && OnlyParityDropped(*aWanted, got))
        return 0;
    errno = savedErrno;
    return result;
}
