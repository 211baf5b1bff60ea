// SPDX-License-Identifier: GPL-3.0-or-later
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
    void listingTypedBackListsTheSame();
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
    QTest::newRow("DEL erases") << QByteArray("lisx\x7ft\r") << QByteArray("lisx\b \bt\r\n") + kReady;
    QTest::newRow("DEL on an empty line") << QByteArray("\x7f\r") << QByteArray("\r\n\r\n>");
    QTest::newRow("BS is a character") << QByteArray("10 rem a\bb\rlist\r")
                                       << QByteArray("10 rem a\bb\r\n>list\r\n10     REM a\bb\r\n") + kReady;
    QTest::newRow("Ctrl-C at the prompt") << QByteArray("\x03\r") << QByteArray("\r\n\r\n>");

    // Program lines and LIST.
    QTest::newRow("store, replace, delete")
        << QByteArray("10 print 1\r10 print 2\r20 print 3\r20\rlist\r")
        << QByteArray("10 print 1\r\n>10 print 2\r\n>20 print 3\r\n>20\r\n>list\r\n10     PRINT 2\r\n") + kReady;
    QTest::newRow("deleting a missing line") << QByteArray("30\r") << QByteArray("30\r\n>");
    QTest::newRow("LIST order and columns") << QByteArray("65535 end\r5 rem x\r100 goto 5\rLIST\r")
                                            << QByteArray("65535 end\r\n>5 rem x\r\n>100 goto 5\r\n>LIST\r\n"
                                                          "5      REM x\r\n100    GOTO 5\r\n65535  END\r\n") +
                                                   kReady;
    QTest::newRow("strings keep their case") << QByteArray("10 print \"Hi, there\"\rlist\r")
                                             << QByteArray("10 print \"Hi, there\"\r\n>list\r\n"
                                                           "10     PRINT \"Hi, there\"\r\n") +
                                                    kReady;
    QTest::newRow("LIST from and range") << QByteArray("1 a=1\r2 a=2\r3 a=3\rlist 2\rlist 1-2\r")
                                         << QByteArray(
                                                "1 a=1\r\n>2 a=2\r\n>3 a=3\r\n>list 2\r\n2     A=2\r\n3     A=3\r\n") +
                                                kReady + "list 1-2\r\n1     A=1\r\n2     A=2\r\n" + kReady;
    QTest::newRow("empty LIST") << QByteArray("list\r") << QByteArray("list\r\n") + kReady;
    QTest::newRow("new clears") << QByteArray("10 end\rnew\rlist\r")
                                << QByteArray("10 end\r\n>new\r\n\r\n>list\r\n") + kReady;
    QTest::newRow("line 65536") << QByteArray("65536 end\r") << QByteArray("65536 end\r\n") + kSyntax;
    QTest::newRow("twenty digits") << QByteArray("99999999999999999999 end\r")
                                   << QByteArray("99999999999999999999 end\r\n") + kSyntax;

    // The genuine interpreter's answers, byte for byte.
    const QByteArray spread = "80    A=1 : B=2 : C=3 : D=4 : E=5 : F=6 : G=7 : H=8 : I=9 : J=10 : K=11 : L=12 : M=13 "
                              ": N=14 : O=15";
    QTest::newRow("line that fits") << QByteArray("10 PRINT 10\r\n") << QByteArray("10 PRINT 10\r\n>\n");
    QTest::newRow("line 65536 with a statement")
        << QByteArray("65536 PRINT 1\r\nlist\r\n")
        << QByteArray("65536 PRINT 1\r\n\r\n\r\nERROR: BAD SYNTAX\r\nREADY\r\n>list\r\n") + kReady;
    QTest::newRow("LIST spreads statements")
        << QByteArray("80 A=1:B=2:C=3:D=4:E=5:F=6:G=7:H=8:I=9:J=10:K=11:L=12:M=13:N=14:O=15\rlist\r")
        << QByteArray("80 A=1:B=2:C=3:D=4:E=5:F=6:G=7:H=8:I=9:J=10:K=11:L=12:M=13:N=14:O=15\r\n>list\r\n") + spread +
               "\r\n" + kReady;
    // The listed line typed back in is 99 characters: 78 are kept, each of the others rings.
    QTest::newRow("over 78 characters") << spread + "\r\nlist\r\n"
                                        << spread.first(78) + QByteArray(21, '\a') + "\r\n>\nlist\r\n" +
                                               spread.first(78) + "\r\n" + kReady;
    QTest::newRow("DEL at the limit") << QByteArray(78, '1') + '2' + '\x7f' + "3\r"
                                      << QByteArray(78, '1') + "\a\b \b3\r\n" + kSyntax;
    QTest::newRow("LIST respaces") << QByteArray("20 FOO BAR\r60 X = 1E3\r40 print \"a\"\rlist\r")
                                   << QByteArray("20 FOO BAR\r\n>60 X = 1E3\r\n>40 print \"a\"\r\n>list\r\n"
                                                 "20    FOOBAR\r\n40     PRINT \"a\"\r\n60    X=1E3\r\n") +
                                          kReady;
    QTest::newRow("keywords found greedily")
        << QByteArray("1 FORJ=ATOB\r2 IFA>BTHENEND\r3 xby(0ffh)=dby(2).and.3:rem As  Typed: \"\rlist\r")
        << QByteArray("1 FORJ=ATOB\r\n>2 IFA>BTHENEND\r\n>3 xby(0ffh)=dby(2).and.3:rem As  Typed: \"\r\n>list\r\n"
                      "1      FOR J=A TO B\r\n2      IF A>B THEN  END\r\n"
                      "3     XBY(0FFH)=DBY(2).AND.3 :  REM As  Typed: \"\r\n") +
               kReady;
    // Neighbouring words each keep their blanks; TAB is set off like a statement word. Typed without
    // the blanks outside strings, the lines list the same.
    const QByteArray measured = "list\r\n40     IF A>B THEN  PRINT \"X\" ELSE  PRINT \"Y\"\r\n"
                                "70     PRINT \"a  b\", TAB (5),\"c\"\r\n110    PRINT A :  REM x y\r\n" +
                                kReady;
    for (const QByteArray& typed : {QByteArray("40 IF A>B THEN PRINT \"X\" ELSE PRINT \"Y\"\r70 PRINT \"a  b\",TAB(5),"
                                               "\"c\"\r110 PRINT A : REM x y\r"),
                                    QByteArray("40 IFA>BTHENPRINT\"X\"ELSEPRINT\"Y\"\r70 PRINT\"a  b\",TAB(5),\"c\"\r"
                                               "110 PRINTA:REM x y\r")}) {
        QTest::newRow(typed.contains("IFA") ? "blanks of neighbours, compact" : "blanks of neighbours")
            << typed + "list\r" << QByteArray(typed).replace("\r", "\r\n>") + measured;
    }

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
    // A line takes its number, length and end mark, one byte per keyword and the rest as it is.
    board.feed("10 print 1\r");
    QCOMPARE(board.freeBytes(), empty - 6);
    board.feed("10 print 12 : rem ab\r");
    QCOMPARE(board.freeBytes(), empty - 12);
    board.feed("10\r");
    QCOMPARE(board.freeBytes(), empty);
    // The memory top caps the program: a line that does not fit is refused and nothing is stored.
    board.feed("mtop = 530\r");
    QCOMPARE(board.feed("10 print \"this line is too long for the memory left\"\r").right(kMemory.size()), kMemory);
    QVERIFY(board.program().isEmpty());
}

void TestBoardModel::listingTypedBackListsTheSame()
{
    const QByteArrayList program = {
        "10 rem Shows the  board's LIST: \"quoted\"",
        "20 print \"Hello, World\";tab(5);\"x\" : p. \"p.\" : ? 1",
        "30 for j = a to b step 2 : next j",
        "40 FORJ=ATOB",
        "50 if a > b then end else goto 10",
        "60 IFA>BTHENEND",
        "70 data 1, 2.5, -3, \"four\"",
        "80 read x : restore",
        "90 xby(0f000h) = 55 : a = dby(20) + cby(100)",
        "100 x = 1e3 : y = .5e-2 : z = 0ffh",
        "110 a=1:b=2:c=3:d=4:e=5:f=6:g=7:h=8:i=9:j=10:k=11:l=12:m=13:n=14:o=15",
        "120 gosub 500 : goto 10",
        "130 on x goto 10, 20, 30",
        "140 if x .and. 1 then print \"odd\" else print \"even\"",
        "150 input \"Value\";v",
        "160 dim q(10) : q(1) = abs(-2) * sin(pi) / sqr(4)",
        "170 print \"a:b\" : rem a colon: and a \"quote",
        "180 let total = not(0) : string 100, 10",
        "190 do : x = x + 1 : until x > 3",
        "200 onerr 500 : ontime 2, 600 : clock1",
        "210 print \"unclosed",
        "500 return",
        "600 reti",
        "610 IF A>B THEN PRINT \"X\" ELSE PRINT \"Y\"",
        "620 PRINT \"a  b\",TAB(5),\"c\"",
        "630 PRINT A : REM x y",
    };
    const auto list = [](BoardModel& board) {
        QByteArray listing = board.feed("list\r");
        listing = listing.sliced(6, listing.size() - 6 - kReady.size()); // the echo and READY
        return listing.split('\n');
    };
    BoardModel typed;
    for (const QByteArray& line : program)
        QVERIFY(typed.feed(line + "\r").endsWith("\r\n>"));
    const QByteArrayList listing = list(typed);
    QCOMPARE(listing.size(), program.size() + 1);

    // The compact form: the number, one blank, the statement without blanks outside strings, a REM's
    // text as it is.
    BoardModel retyped;
    for (const QByteArray& listed : listing) {
        const QByteArray line = listed.chopped(listed.endsWith('\r') ? 1 : 0);
        qsizetype pos = 0;
        while (pos < line.size() && line[pos] != ' ')
            ++pos;
        QByteArray compact = line.first(pos) + ' ';
        bool inString = false;
        for (; pos < line.size(); ++pos) {
            if (!inString && line.sliced(pos).startsWith("REM")) {
                compact += line.sliced(pos);
                break;
            }
            if (line[pos] == '"') inString = !inString;
            if (inString || line[pos] != ' ') compact += line[pos];
        }
        if (pos == 0) continue;
        QVERIFY2(compact.size() <= BoardModel::kMaxLineLength, compact.constData());
        retyped.feed(compact + "\r");
    }
    QCOMPARE(list(retyped), listing);
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
