#include "shell/InstanceRegistry.h"
#include "shell/InstanceSelection.h"
#include "shell/InterfaceOption.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <set>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "shell_instance_tests";
    static char *argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

std::function<bool(int)> takenIn(std::set<int> taken, std::vector<int> *asked = nullptr)
{
    return [taken = std::move(taken), asked](int n) {
        if (asked)
            asked->push_back(n);
        return taken.count(n) > 0;
    };
}

const QString title = u"KitBox32"_s;

sockaddr_un addressOf(const QString &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    return address;
}

// A raw client of the registry's socket, as another program could be.
class RawPeer {
public:
    explicit RawPeer(const QString &path) : m_fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        const sockaddr_un address = addressOf(path);
        m_connected = ::connect(m_fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    }
    ~RawPeer() { ::close(m_fd); }
    bool connected() const { return m_connected; }
    bool send(const QByteArray &data) const
    {
        return ::send(m_fd, data.constData(), size_t(data.size()), MSG_NOSIGNAL) == ssize_t(data.size());
    }
    // Whether the other side closed the connection (read gives end of file or an error).
    bool closedByOtherSide() const
    {
        char c;
        return ::recv(m_fd, &c, 1, 0) <= 0;
    }

private:
    int m_fd;
    bool m_connected = false;
};

} // namespace

// The decision in a few words: "run <number> <caption> single|multi", "activate <number>" or "error <text id>".
std::string describe(const InstanceDecision &d)
{
    switch (d.action) {
    case InstanceDecision::Action::Run:
        return "run " + std::to_string(d.instanceNumber) + " " + d.caption.toStdString() +
               (d.multiInstance ? " multi" : " single");
    case InstanceDecision::Action::ActivateOtherAndExit:
        return "activate " + std::to_string(d.runningInstance);
    case InstanceDecision::Action::ShowErrorAndExit:
        return "error " + std::to_string(d.errorTextId);
    }
    return "?";
}

// The interface option is cut out of the command line and split; its number, the multi-instance
// setting and the numbers already taken decide the instance.
TEST(InstanceRules, CommandLineOptionSettingAndTakenNumbersDecideTheInstance)
{
    const struct {
        QString line;
        bool multi;
        std::set<int> taken;
        QString parsed; // the rest of the line, the option and its four texts, joined by "|"
        std::string decision;
    } cases[] = {
        {u"c:/ecu/d_motor.prg -interface03=OBD,COM1"_s,
         false,
         {},
         u"c:/ecu/d_motor.prg|-interface03=OBD,COM1|OBD|COM1||"_s,
         "run 3 KitBox32 : 3 multi"},
        {u"test.tst -INTERFACE01=a,b,c,d,e 3 1"_s,
         true,
         {},
         u"test.tst 3 1|-INTERFACE01=a,b,c,d,e|a|b|c|d"_s,
         "run 1 KitBox32 : 1 multi"},
        // The option switches multi-instance mode on even when the setting says no,
        // and a running single-mode instance does not stop it.
        {u"  -INTERFACE02=,,x  \"my file.prg\"  "_s,
         false,
         {0, 1},
         u"my file.prg|-INTERFACE02=,,x|||x|"_s,
         "run 2 KitBox32 : 2 multi"},
        {u"-INTERFACE10=a,b,c,d"_s, true, {}, u"|-INTERFACE10=a,b,c,d|a|b|c|d"_s, "error 49"},
        {u"-INTERFACE7=a"_s, false, {7}, u"|-INTERFACE7=a|a|||"_s, "error 49"},
        {u"-INTERFACE05"_s, false, {}, u"|-INTERFACE05||||"_s, "run 5 KitBox32 : 5 multi"},
        // Not a number: instance 0 and nothing else is taken.
        {u"-INTERFACEab=a,b,c,d x.prg"_s, false, {}, u"x.prg|-INTERFACEab=a,b,c,d||||"_s, "run 0 KitBox32 single"},
        {u"\"a.prg\""_s, false, {0}, u"a.prg|||||"_s, "activate 0"},
        {{}, false, {4}, u"|||||"_s, "activate 4"},
        {{}, true, {0, 1, 2, 4}, u"|||||"_s, "run 3 KitBox32 : 3 multi"},
        {{}, true, {1, 2, 3, 4, 5, 6, 7, 8}, u"|||||"_s, "run 9 KitBox32 : 9 multi"},
        {{}, true, {1, 2, 3, 4, 5, 6, 7, 8, 9}, u"|||||"_s, "error 55"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        const ParsedCommandLine p = parseCommandLine(c.line);
        EXPECT_EQ(QStringList({p.commandLine, p.option.optionText}) +
                      QStringList(p.option.texts.begin(), p.option.texts.end()),
                  c.parsed.split(u'|'));
        EXPECT_EQ(describe(selectInstance(title, p.option.instance, c.multi, takenIn(c.taken))), c.decision);
    }
    std::vector<int> asked;
    EXPECT_EQ(describe(selectInstance(title, 10, false, takenIn({}, &asked))), "error 49");
    EXPECT_TRUE(asked.empty()); // above 9 needs no look at the others
}

class Registry : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        ASSERT_TRUE(m_dir.isValid());
    }
    QTemporaryDir m_dir;
};

// Captions match without regard to case; a number is held by one registry only.
TEST_F(Registry, TwoRegistriesFindAndActivateEachOther)
{
    InstanceRegistry first(title, nullptr, m_dir.path());
    InstanceRegistry second(title.toLower(), nullptr, m_dir.path());
    InstanceRegistry other(u"Other"_s, nullptr, m_dir.path());
    EXPECT_FALSE(second.anyRunning());

    ASSERT_TRUE(first.listen(2).ok());
    EXPECT_EQ(std::tuple(second.isTaken(2), second.isTaken(1), second.isTaken(0), second.anyRunning()),
              std::tuple(true, false, false, true));
    EXPECT_FALSE(other.isTaken(2));
    const kitbox::Status again = second.listen(2);
    EXPECT_NE((again.ok() ? std::string() : again.error()).find("kitbox32"), std::string::npos) << "held twice";

    // The selection rules over the registry: 2 is held, so the next one gets 1.
    const InstanceDecision d = selectInstance(title, 0, true, [&](int n) { return second.isTaken(n); });
    EXPECT_EQ(d.instanceNumber, 1);
    ASSERT_TRUE(second.listen(d.instanceNumber).ok());
    EXPECT_EQ(selectInstance(title, 0, true, [&](int n) { return first.isTaken(n); }).instanceNumber, 3);

    QSignalSpy raised(&first, &InstanceRegistry::raiseRequested);
    QSignalSpy secondRaised(&second, &InstanceRegistry::raiseRequested);
    InstanceRegistry third(title, nullptr, m_dir.path());
    EXPECT_TRUE(third.activate(2));
    EXPECT_TRUE(raised.wait(5000));
    EXPECT_EQ(raised.count(), 1);
    EXPECT_EQ(secondRaised.count(), 0);

    // activateRunning reaches the lowest running number, here 1.
    EXPECT_TRUE(third.activateRunning());
    EXPECT_TRUE(secondRaised.wait(5000));

    first.stopListening();
    EXPECT_FALSE(third.isTaken(2));
    EXPECT_FALSE(third.activate(2));
}

TEST_F(Registry, MessagesMayArriveInPiecesFromSeveralPeersAndGarbageIsIgnored)
{
    InstanceRegistry registry(title, nullptr, m_dir.path());
    ASSERT_TRUE(registry.listen(0).ok());
    QSignalSpy raised(&registry, &InstanceRegistry::raiseRequested);
    RawPeer slow(registry.socketName(0));
    RawPeer quick(registry.socketName(0));
    RawPeer garbage(registry.socketName(0));
    ASSERT_TRUE(slow.connected() && quick.connected() && garbage.connected());
    ASSERT_TRUE(garbage.send(QByteArray(4096, 'x')));
    garbage.send("\nhello\n");
    EXPECT_FALSE(raised.wait(300));
    // The peer that talked nonsense was sent away; the others are still heard.
    EXPECT_TRUE(garbage.closedByOtherSide());
    ASSERT_TRUE(slow.send("rai"));
    ASSERT_TRUE(quick.send("raise\nraise\n"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return raised.count() == 2; }, 5000));
    ASSERT_TRUE(slow.send("se\n"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return raised.count() == 3; }, 5000));
}

// A socket only the user may use, gone with its registry; what a crashed or killed instance leaves
// behind (a plain file, or a real socket nobody listens on) is taken over.
TEST_F(Registry, SocketsBelongToTheUserAndLeftoversAreTakenOver)
{
    InstanceRegistry probe(title, nullptr, m_dir.path());
    const QString plain = probe.socketName(4);
    EXPECT_TRUE(plain.startsWith(m_dir.path()));
    ASSERT_TRUE(QFile(plain).open(QIODevice::WriteOnly));
    const QString dead = probe.socketName(5);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = addressOf(dead);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
    ::close(fd);

    for (int number : {3, 4, 5}) {
        EXPECT_FALSE(probe.isTaken(number)) << number;
        {
            InstanceRegistry owner(title, nullptr, m_dir.path());
            ASSERT_TRUE(owner.listen(number).ok()) << number;
            EXPECT_TRUE(probe.isTaken(number)) << number;
            struct stat info {};
            ASSERT_EQ(::stat(QFile::encodeName(owner.socketName(number)).constData(), &info), 0);
            EXPECT_TRUE(S_ISSOCK(info.st_mode));
            EXPECT_EQ(info.st_mode & 0777, 0600u);
        }
        EXPECT_FALSE(QFile::exists(probe.socketName(number))) << number;
    }
}

TEST_F(Registry, TooLongASocketPathIsAnErrorNotACrash)
{
    InstanceRegistry registry(title, nullptr, m_dir.path() + u'/' + QString(120, u'd'));
    const kitbox::Status status = registry.listen(1);
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().find("too long"), std::string::npos) << status.error();
    EXPECT_FALSE(registry.isListening() || registry.isTaken(1) || registry.activate(1));
}
