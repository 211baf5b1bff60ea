#include "simulator/boardmodel.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

const QByteArray kReady = "\r\nREADY\r\n>";
const QByteArray kSyntax = "\r\n\r\nERROR: BAD SYNTAX" + kReady;
const QByteArray kMemory = "\r\n\r\nERROR: MEMORY ALLOCATION" + kReady;

// Feeds each piece in turn and lets a started program run for up to `steps` lines after each.
QByteArray converse(BoardModel& board, const QByteArrayList& pieces, int steps)
{
    QByteArray out;
    for (const QByteArray& piece : pieces) {
        out += board.feed(piece);
        for (int i = 0; i < steps && board.running(); ++i)
            out += board.step();
    }
    return out;
}

} // namespace

class TestBoardModel : public QObject
{
    Q_OBJECT
private slots:
    void signOn();
    void answers_data();
    void answers();
    void running_data();
    void running();
    void freeFollowsProgramSize();
    void overlongLineIsCut();
    void garbageNeverBreaksTheBoard();
};

void TestBoardModel::signOn()
{
    BoardModel board;
    QCOMPARE(board.open(),
             QByteArray("\r\n*SIMULATED BOARD* choose a serial port under Settings, ComPort\r\nREADY\r\n>"));
    // A half-typed line does not survive a new connection; the program does.
    board.feed("10 print 1\r20 pri");
    board.open();
    QCOMPARE(board.feed("\r"), QByteArray("\r\n\r\n>"));
    QCOMPARE(board.program().keys(), QList<int>{10});
}

void TestBoardModel::answers_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");

    // Echo, prompts and the LF rule.
    QTest::newRow("empty line") << QByteArray("\r") << QByteArray("\r\n\r\n>");
    QTest::newRow("empty line, LF echoed") << QByteArray("\r\n") << QByteArray("\r\n\r\n>\n");
    QTest::newRow("blanks only") << QByteArray("  \r") << QByteArray("  \r\n\r\n>");
    QTest::newRow("new, LF echoed") << QByteArray("new\r\n") << QByteArray("new\r\n\r\n>\n");
    QTest::newRow("program line, LF echoed") << QByteArray("10 print 1\r\n") << QByteArray("10 print 1\r\n>\n");
    QTest::newRow("LIST swallows the LF") << QByteArray("list\r\n") << QByteArray("list\r\n") + kReady;
    QTest::newRow("only the first LF") << QByteArray("list\r\n\n") << QByteArray("list\r\n") + kReady + "\n";
    QTest::newRow("print swallows the LF") << QByteArray("?1\r\n") << QByteArray("?1\r\n 1 \r\n\r\n>");
    QTest::newRow("mtop swallows the LF") << QByteArray("mtop = 32768\r\n") << QByteArray("mtop = 32768\r\n\r\n>");
    QTest::newRow("error swallows the LF") << QByteArray("hello\r\n") << QByteArray("hello\r\n") + kSyntax;
    QTest::newRow("lone LF is echoed") << QByteArray("\nli\nst\r") << QByteArray("\nli\nst\r\n") + kReady;
    QTest::newRow("backspace") << QByteArray("10 pz\brint 1\rlist\r")
                               << QByteArray("10 pz\b \brint 1\r\n>list\r\n10     PRINT 1\r\n") + kReady;
    QTest::newRow("DEL") << QByteArray("lisx\x7ft\r") << QByteArray("lisx\b \bt\r\n") + kReady;
    QTest::newRow("backspace on an empty line") << QByteArray("\b\x7f\r") << QByteArray("\r\n\r\n>");
    QTest::newRow("Ctrl-C at the prompt") << QByteArray("\x03\r") << QByteArray("\r\n\r\n>");

    // Program lines and LIST.
    QTest::newRow("store, replace, delete")
        << QByteArray("10 print 1\r10 print 2\r20 print 3\r20\rlist\r")
        << QByteArray("10 print 1\r\n>10 print 2\r\n>20 print 3\r\n>20\r\n>list\r\n10     PRINT 2\r\n") + kReady;
    QTest::newRow("deleting a missing line") << QByteArray("30\r") << QByteArray("30\r\n>");
    QTest::newRow("LIST order and columns") << QByteArray("65535 end\r5 rem x\r100 goto 5\rLIST\r")
                                            << QByteArray("65535 end\r\n>5 rem x\r\n>100 goto 5\r\n>LIST\r\n"
                                                          "5      REM X\r\n100    GOTO 5\r\n65535  END\r\n") +
                                                   kReady;
    QTest::newRow("strings keep their case") << QByteArray("10 print \"Hi, there\"\rlist\r")
                                             << QByteArray("10 print \"Hi, there\"\r\n>list\r\n"
                                                           "10     PRINT \"Hi, there\"\r\n") +
                                                    kReady;
    QTest::newRow("LIST from and range")
        << QByteArray("1 a=1\r2 a=2\r3 a=3\rlist 2\rlist 1-2\r")
        << QByteArray("1 a=1\r\n>2 a=2\r\n>3 a=3\r\n>list 2\r\n2      A=2\r\n3      A=3\r\n") + kReady +
               "list 1-2\r\n1      A=1\r\n2      A=2\r\n" + kReady;
    QTest::newRow("empty LIST") << QByteArray("list\r") << QByteArray("list\r\n") + kReady;
    QTest::newRow("new clears") << QByteArray("10 end\rnew\rlist\r")
                                << QByteArray("10 end\r\n>new\r\n\r\n>list\r\n") + kReady;
    QTest::newRow("line 65536") << QByteArray("65536 end\r") << QByteArray("65536 end\r\n") + kSyntax;
    QTest::newRow("twenty digits") << QByteArray("99999999999999999999 end\r")
                                   << QByteArray("99999999999999999999 end\r\n") + kSyntax;

    // Direct commands.
    QTest::newRow("?free") << QByteArray("?free\r") << QByteArray("?free\r\n 32254 \r\n\r\n>");
    QTest::newRow("print free") << QByteArray("PRINT FREE\r") << QByteArray("PRINT FREE\r\n 32254 \r\n\r\n>");
    QTest::newRow("mtop set and read") << QByteArray("mtop =  32768\r?mtop\r")
                                       << QByteArray("mtop =  32768\r\n\r\n>?mtop\r\n 32768 \r\n\r\n>");
    QTest::newRow("mtop moves free") << QByteArray("MTOP=1000\r?free\r")
                                     << QByteArray("MTOP=1000\r\n\r\n>?free\r\n 487 \r\n\r\n>");
    QTest::newRow("mtop above 65535") << QByteArray("mtop = 65536\r") << QByteArray("mtop = 65536\r\n") + kSyntax;
    QTest::newRow("mtop below the program") << QByteArray("mtop = 100\r") << QByteArray("mtop = 100\r\n") + kMemory;
    QTest::newRow("mtop without a value") << QByteArray("mtop =\r") << QByteArray("mtop =\r\n") + kSyntax;
    QTest::newRow("print items") << QByteArray("?\"A\";1;-2.5\r") << QByteArray("?\"A\";1;-2.5\r\nA 1 -2.5 \r\n\r\n>");
    QTest::newRow("print arithmetic") << QByteArray("p. (1+2)*3-10/4\r")
                                      << QByteArray("p. (1+2)*3-10/4\r\n 6.5 \r\n\r\n>");
    QTest::newRow("trailing semicolon") << QByteArray("print \"x\";\r") << QByteArray("print \"x\";\r\nx\r\n>");
    QTest::newRow("empty print") << QByteArray("print\r") << QByteArray("print\r\n\r\n\r\n>");
    QTest::newRow("division by zero") << QByteArray("?1/0\r") << QByteArray("?1/0\r\n") + kSyntax;
    QTest::newRow("unbalanced parenthesis") << QByteArray("?(1\r") << QByteArray("?(1\r\n") + kSyntax;
    QTest::newRow("variable") << QByteArray("x = 4\r?x*x\r") << QByteArray("x = 4\r\n\r\n>?x*x\r\n 16 \r\n\r\n>");
    QTest::newRow("unknown word") << QByteArray("hello\r") << QByteArray("hello\r\n") + kSyntax;
    QTest::newRow("RUN with more") << QByteArray("runx\r") << QByteArray("runx\r\n") + kSyntax;
    QTest::newRow("byte above 127") << QByteArray("?\xe9\r") << QByteArray("?\xe9\r\n") + kSyntax;
}

void TestBoardModel::answers()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    BoardModel board;
    QCOMPARE(converse(board, {input}, 1000), expected);
    QVERIFY(!board.running());
}

void TestBoardModel::running_data()
{
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<int>("steps");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray loop = "10 print 1\r20 goto 10\r";
    const QByteArray loopEcho = "10 print 1\r\n>20 goto 10\r\n>";

    QTest::newRow("prints") << QByteArrayList{"10 print \"HI\"\r20 ? 1+1\rrun\r\n"} << 100
                            << QByteArray("10 print \"HI\"\r\n>20 ? 1+1\r\n>run\r\n\r\nHI\r\n 2 \r\n") + kReady;
    QTest::newRow("empty program") << QByteArrayList{"run\r"} << 100 << QByteArray("run\r\n\r\n") + kReady;
    QTest::newRow("goto and end") << QByteArrayList{"10 goto 30\r20 ?2\r30 ?3:end\r40 ?4\rrun\r"} << 100
                                  << QByteArray("10 goto 30\r\n>20 ?2\r\n>30 ?3:end\r\n>40 ?4\r\n>run\r\n\r\n 3 \r\n") +
                                         kReady;
    QTest::newRow("variables") << QByteArrayList{"10 a=2\r20 print a*3\rrun\r"} << 100
                               << QByteArray("10 a=2\r\n>20 print a*3\r\n>run\r\n\r\n 6 \r\n") + kReady;
    QTest::newRow("stop statement") << QByteArrayList{"10 stop\r20 ?1\rrun\r"} << 100
                                    << QByteArray("10 stop\r\n>20 ?1\r\n>run\r\n\r\n\r\nSTOP - IN LINE  10") + kReady;
    QTest::newRow("bad statement") << QByteArrayList{"10 ?1\r20 hello\rrun\r"} << 100
                                   << QByteArray("10 ?1\r\n>20 hello\r\n>run\r\n\r\n 1 \r\n"
                                                 "\r\nERROR: BAD SYNTAX - IN LINE  20") +
                                          kReady;
    QTest::newRow("goto a missing line") << QByteArrayList{"10 goto 99\rrun\r"} << 100
                                         << QByteArray("10 goto 99\r\n>run\r\n\r\n"
                                                       "\r\nERROR: INVALID LINE NUMBER - IN LINE  10") +
                                                kReady;
    QTest::newRow("Ctrl-C stops the loop") << QByteArrayList{loop, "run\r", "\x03"} << 3
                                           << loopEcho + "run\r\n\r\n 1 \r\n 1 \r\n\r\nSTOP - IN LINE  20" + kReady;
    // A running program reads nothing but Ctrl-C, so the typed text and the LF after RUN are gone.
    QTest::newRow("typing while running is lost")
        << QByteArrayList{loop, "run\r\nlist\r", "\x03\n"} << 1
        << loopEcho + "run\r\n\r\n 1 \r\n\r\nSTOP - IN LINE  20" + kReady + "\n";
    QTest::newRow("prompt works after a stop")
        << QByteArrayList{loop, "run\r", "\x03", "?2\r"} << 1
        << loopEcho + "run\r\n\r\n 1 \r\n\r\nSTOP - IN LINE  20" + kReady + "?2\r\n 2 \r\n\r\n>";
}

void TestBoardModel::running()
{
    QFETCH(QByteArrayList, pieces);
    QFETCH(int, steps);
    QFETCH(QByteArray, expected);
    BoardModel board;
    QCOMPARE(converse(board, pieces, steps), expected);
    QVERIFY(!board.running());
}

void TestBoardModel::freeFollowsProgramSize()
{
    BoardModel board;
    const int empty = board.freeBytes();
    board.feed("10 print 1\r");
    QCOMPARE(board.freeBytes(), empty - 11);
    board.feed("10 print 12\r");
    QCOMPARE(board.freeBytes(), empty - 12);
    board.feed("10\r");
    QCOMPARE(board.freeBytes(), empty);
    // The memory top caps the program: a line that does not fit is refused and nothing is stored.
    board.feed("mtop = 530\r");
    QCOMPARE(board.feed("10 print \"this line is too long for the memory left\"\r").right(kMemory.size()), kMemory);
    QVERIFY(board.program().isEmpty());
}

void TestBoardModel::overlongLineIsCut()
{
    BoardModel board;
    const QByteArray longLine(300, 'a');
    const QByteArray out = board.feed(longLine + "\r");
    QCOMPARE(out, QByteArray(BoardModel::kMaxLineLength, 'a') + "\r\n" + kSyntax);
    // Backspace still works at the limit, and the next line starts clean.
    board.feed(QByteArray(BoardModel::kMaxLineLength, 'b'));
    QCOMPARE(board.feed("\bc"), QByteArray("\b \bc"));
    QCOMPARE(board.feed("\r?1\r").right(12), QByteArray("?1\r\n 1 \r\n\r\n>"));
}

void TestBoardModel::garbageNeverBreaksTheBoard()
{
    QRandomGenerator random(52);
    BoardModel board;
    const QByteArray alphabet = "0123456789 ?:;\"+-*/()=.,EeLlIiSsTtRrUuNnPpGgOoMmFfAa\r\n\b\x7f\x03\x00\xff";
    for (int round = 0; round < 300; ++round) {
        QByteArray input;
        const int size = random.bounded(1, 400);
        for (int i = 0; i < size; ++i)
            input += random.bounded(4) == 0 ? char(random.bounded(256)) : alphabet[random.bounded(alphabet.size())];
        const QByteArray out = board.feed(input);
        QVERIFY(out.size() < 100000);
        for (int i = 0; i < 20 && board.running(); ++i)
            QVERIFY(board.step().size() < 100000);
        QVERIFY(board.freeBytes() >= 0);
    }
    // Whatever happened, a Ctrl-C and a CR bring back the prompt.
    board.feed("\x03\r");
    QCOMPARE(board.feed("new\r"), QByteArray("new\r\n\r\n>"));
    QVERIFY(board.program().isEmpty());
}

QTEST_APPLESS_MAIN(TestBoardModel)
#include "tst_boardmodel.moc"
