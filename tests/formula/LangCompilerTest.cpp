// The language front end: error positions and messages, statements and
// names, drawing attributes and drawing functions, and robustness against
// arbitrary input.
#include <cfloat>

#include <gtest/gtest.h>

#include "platform/formula/lang/CFormulaCompiler.h"
#include "platform/formula/lang/CFormulaEvaluator.h"

using namespace TC::flang;

namespace {

CFormulaError compileError(const QString& source, const QStringList& params = {})
{
    CFormulaProgram prog;
    CFormulaError err;
    EXPECT_FALSE(CFormulaCompiler::compile(source, params, prog, err)) << source.toStdString();
    EXPECT_TRUE(prog.isEmpty());
    return err;
}

CFormulaRunResult run(const QString& source, const QStringList& params = {},
                      const QMap<QString, double>& values = {})
{
    CFormulaProgram prog;
    CFormulaError err;
    CFormulaRunResult res;
    if (!CFormulaCompiler::compile(source, params, prog, err)) {
        ADD_FAILURE() << source.toStdString() << " -> " << err.line << ":" << err.column << " "
                      << err.message.toStdString();
        return res;
    }
    CFormulaInput in;
    in.barCount = 4;
    in.open = {10, 11, 12, 13};
    in.high = {12, 13, 14, 15};
    in.low = {9, 10, 11, 12};
    in.close = {11, 10, 13, 13};
    in.volume = {100, 200, 300, 400};
    QString error;
    EXPECT_TRUE(CFormulaEvaluator::run(prog, in, values, res, &error)) << error.toStdString();
    return res;
}

struct ErrorCase {
    const char* source;
    int line;
    int column;
    const char* mentions; // the token the message must name
};

} // namespace

TEST(LangCompilerTest, ErrorsPointAtTheOffendingToken)
{
    const ErrorCase cases[] = {
        {"A:=MAA(C,5);", 1, 4, "'MAA'"},                  // unknown function
        {"X:C;\nY:FOO+1;", 2, 3, "'FOO'"},                // unknown variable on line 2
        {"MA(C,5;", 1, 7, "')'"},                         // missing ')' found ';'
        {"X:(C+1;", 1, 7, "')'"},                         // missing ')' after a group
        {"MA(C,5) 3;", 1, 9, "'3'"},                      // stray token
        {"  MA(C);", 1, 3, "'MA'"},                       // wrong argument count
        {"IF(C,1);", 1, 1, "'IF'"},                       // too few arguments
        {"X:C+);", 1, 5, "')'"},                          // unexpected ')'
        {"X:C;\n  {open comment", 2, 3, "'{'"},           // unterminated comment
        {"DRAWTEXT(C>O,H,'abc);", 1, 16, "'''"},          // unterminated string
        {"X:C,COLORPINK;", 1, 5, "'COLORPINK'"},          // unknown attribute
        {"X:C,LINETHICK0;", 1, 5, "'LINETHICK0'"},        // width out of range
        {"X:C@2;", 1, 4, "'@'"},                          // illegal character
        {"X:C#2;", 1, 5, "'2'"},                          // no period after '#'
        {"X:\"SH000001\";", 1, 3, "SH000001"},             // reference without a data name
        {"X:C;X:O;", 1, 5, "'X'"},                        // defined twice
        {"N:C;", 1, 1, "'N'"},                            // shadows a parameter
        {"H:=C;", 1, 1, "'H'"},                           // shadows a data name
        {"X:1+DRAWTEXT(C>O,H,'a');", 1, 5, "'DRAWTEXT'"}, // drawing inside an expression
        {"X:'abc'+1;", 1, 3, "abc"},                      // string outside DRAWTEXT
        {"DRAWTEXT(C>O,H,1);", 1, 1, "'DRAWTEXT'"},       // DRAWTEXT needs a string
        {"X:MA;", 1, 3, "'MA'"},                          // function without arguments
        {"X:C(1);", 1, 3, "'C'"},                         // data name called
        {"X:=C,COLORRED;", 1, 6, "'COLORRED'"},           // hidden variable with attributes
        {"X:C*;", 1, 5, "';'"},                           // missing operand
        {"X:C\nY:O;", 2, 1, "'Y'"},                       // missing ';' between statements
        {"X:MA(C,5", 1, 9, "')'"},                        // end of text inside a call
        {"X:12abc;", 1, 3, "12a"},                        // malformed number
        {"DRAWTEXT(C>O,H,'x'),COLORRED,;", 1, 30, "';'"}, // attribute missing after ','
    };
    for (const ErrorCase& c : cases) {
        const CFormulaError err = compileError(QString::fromUtf8(c.source), {QStringLiteral("N")});
        EXPECT_EQ(err.line, c.line) << c.source;
        EXPECT_EQ(err.column, c.column) << c.source << " : " << err.message.toStdString();
        EXPECT_TRUE(err.message.contains(QString::fromUtf8(c.mentions)))
            << c.source << " : " << err.message.toStdString();
    }
    EXPECT_EQ(compileError(QStringLiteral("X:C;"), {QStringLiteral("C")}).message,
              QStringLiteral("参数名无效 'C'"));
    EXPECT_EQ(compileError(QStringLiteral("X:MAA(C,5);")).message, QStringLiteral("未知的函数或变量 'MAA'"));
}

TEST(LangCompilerTest, CommentsAndColumnsAfterChineseText)
{
    // columns count characters, so a message after Chinese text still points right
    const CFormulaError err = compileError(QStringLiteral("{说明} 均线:MA(C,5);\n// 注释\n乙:均线+丙;"));
    EXPECT_EQ(err.line, 3);
    EXPECT_EQ(err.column, 6);
    EXPECT_TRUE(err.message.contains(QStringLiteral("'丙'")));
    const CFormulaRunResult res =
        run(QStringLiteral("{a\nmulti-line comment} 均线:MA(C,2); // tail\n乙:均线*2"));
    ASSERT_EQ(res.outputs.size(), 2u);
    EXPECT_EQ(res.outputs[0].name, QStringLiteral("均线"));
    EXPECT_EQ(res.outputs[1].columns[0][1], 21.0);
}

TEST(LangCompilerTest, StatementsNamesAndCase)
{
    const CFormulaRunResult res = run(
        QStringLiteral("dif:ema(close,Short)-Ema(C,long); Hid:=Dif*2; dea:EMA(dif,mid);;c-o; HID+1,nodraw;"),
        {QStringLiteral("SHORT"), QStringLiteral("long"), QStringLiteral("Mid")},
        {{QStringLiteral("short"), 2}, {QStringLiteral("LONG"), 3}, {QStringLiteral("mid"), 2}});
    ASSERT_EQ(res.outputs.size(), 4u); // the hidden variable is no output
    EXPECT_EQ(res.outputs[0].name, QStringLiteral("DIF"));
    EXPECT_EQ(res.outputs[1].name, QStringLiteral("DEA"));
    EXPECT_EQ(res.outputs[2].name, QStringLiteral("NONAME1"));
    EXPECT_EQ(res.outputs[3].name, QStringLiteral("NONAME2"));
    EXPECT_EQ(res.outputs[2].columns[0], (std::vector<double>{1, -1, 1, 0}));
    EXPECT_EQ(res.outputs[3].styleCode, -1);
    // HID = 2*DIF; DIF at bar 0 is 0 (both averages seeded with the close)
    EXPECT_EQ(res.outputs[3].columns[0][0], 1.0);
    // logic operators, both spellings, and constants broadcast to every bar
    const CFormulaRunResult logic =
        run(QStringLiteral("C>O AND V>100; C>O || NOT(V>100); 1<>2 && 3!=3; 5; -C+ +1; 2=2;"));
    ASSERT_EQ(logic.outputs.size(), 6u);
    EXPECT_EQ(logic.outputs[0].columns[0], (std::vector<double>{0, 0, 1, 0}));
    EXPECT_EQ(logic.outputs[1].columns[0], (std::vector<double>{1, 0, 1, 0}));
    EXPECT_EQ(logic.outputs[2].columns[0], (std::vector<double>{0, 0, 0, 0}));
    EXPECT_EQ(logic.outputs[3].columns[0], (std::vector<double>{5, 5, 5, 5}));
    EXPECT_EQ(logic.outputs[4].columns[0], (std::vector<double>{-10, -9, -12, -12}));
    EXPECT_EQ(logic.outputs[5].columns[0], (std::vector<double>{1, 1, 1, 1}));
    // precedence: * before +, comparison below arithmetic, AND before OR
    const CFormulaRunResult prec = run(QStringLiteral("1+2*3; 2*3>5; 0 AND 0 OR 1; 8/2/2; 2-3-4;"));
    ASSERT_EQ(prec.outputs.size(), 5u);
    EXPECT_EQ(prec.outputs[0].columns[0][0], 7.0);
    EXPECT_EQ(prec.outputs[1].columns[0][0], 1.0);
    EXPECT_EQ(prec.outputs[2].columns[0][0], 1.0);
    EXPECT_EQ(prec.outputs[3].columns[0][0], 2.0);
    EXPECT_EQ(prec.outputs[4].columns[0][0], -5.0);
}

TEST(LangCompilerTest, AttributesMapToStyleColourAndWidth)
{
    const CFormulaRunResult res = run(QStringLiteral(
        "A:C; B:C,CIRCLEDOT; D:C,COLORSTICK; E:C,DOTLINE; F:V,VOLSTICK; G:C,NODRAW;"
        "I:C,COLOR00FFFF,LINETHICK3; J:C,colorred; K:C,COLORBLUE,DOTLINE,CIRCLEDOT; M:C,COLORa0b1C2;"
        "N:C,COLORLIGHTGRAY,LINETHICK9;"));
    ASSERT_EQ(res.outputs.size(), 11u);
    const int styles[] = {0, 1, 2, 4, 10, -1, 0, 0, 1, 0, 0};
    for (size_t i = 0; i < 11; ++i)
        EXPECT_EQ(res.outputs[i].styleCode, styles[i]) << res.outputs[i].name.toStdString();
    EXPECT_EQ(res.outputs[0].color, 0xFFFFFFFFu);
    EXPECT_EQ(res.outputs[0].lineWidth, 1);
    EXPECT_EQ(res.outputs[6].color, 0x0000FFFFu);
    EXPECT_EQ(res.outputs[6].lineWidth, 3);
    EXPECT_EQ(res.outputs[7].color, 0x000000FFu);
    EXPECT_EQ(res.outputs[8].color, 0x00FF0000u);
    EXPECT_EQ(res.outputs[9].color, 0x00A0B1C2u);
    EXPECT_EQ(res.outputs[10].color, 0x00C0C0C0u);
    EXPECT_EQ(res.outputs[10].lineWidth, 9);
    EXPECT_EQ(res.outputs[5].columns[0][3], 13.0); // NODRAW still reports values
}

TEST(LangCompilerTest, DrawingFunctionsBecomeOutputs)
{
    const CFormulaRunResult res = run(QStringLiteral("DRAWTEXT(C>O,H,'阳'),COLORRED;"
                                                     "DRAWNUMBER(C>O,L,C*10);"
                                                     "DRAWICON(C<O,L,3);"
                                                     "STICKLINE(C>O,C,O,0.8,1);"
                                                     "K线:DRAWKLINE(H,O,L,C);"
                                                     "VERTLINE(C<O),NODRAW;"
                                                     "DRAWTEXT(C>O,H,'x'),DOTLINE;"));
    ASSERT_EQ(res.outputs.size(), 7u);
    const double X = DBL_MAX;
    const COutput& text = res.outputs[0];
    EXPECT_EQ(text.styleCode, 13);
    EXPECT_EQ(text.color, 0x0000FFu);
    EXPECT_EQ(text.columns, (std::vector<std::vector<double>>{{12, X, 14, X}}));
    EXPECT_EQ(text.texts,
              (std::vector<QString>{QStringLiteral("阳"), QString(), QStringLiteral("阳"), QString()}));
    EXPECT_EQ(res.outputs[1].styleCode, 28);
    EXPECT_EQ(res.outputs[1].columns, (std::vector<std::vector<double>>{{9, X, 11, X}, {110, X, 130, X}}));
    EXPECT_EQ(res.outputs[2].styleCode, 26);
    EXPECT_EQ(res.outputs[2].columns, (std::vector<std::vector<double>>{{X, 10, X, X}}));
    EXPECT_EQ(res.outputs[2].param1, 3.0);
    EXPECT_EQ(res.outputs[3].styleCode, 36);
    EXPECT_EQ(res.outputs[3].columns, (std::vector<std::vector<double>>{{11, X, 13, X}, {10, X, 12, X}}));
    EXPECT_EQ(res.outputs[3].param1, 0.8);
    EXPECT_EQ(res.outputs[3].param2, 1.0);
    EXPECT_EQ(res.outputs[4].styleCode, 12);
    EXPECT_EQ(res.outputs[4].name, QStringLiteral("K线"));
    EXPECT_EQ(res.outputs[4].columns,
              (std::vector<std::vector<double>>{
                  {10, 11, 12, 13}, {12, 13, 14, 15}, {9, 10, 11, 12}, {11, 10, 13, 13}}));
    EXPECT_EQ(res.outputs[5].styleCode, -1);
    EXPECT_EQ(res.outputs[5].columns, (std::vector<std::vector<double>>{{X, 1, X, X}}));
    EXPECT_EQ(res.outputs[6].styleCode, 13); // the function fixes its code
    // a drawing output cannot be read back as a value
    EXPECT_TRUE(
        compileError(QStringLiteral("T:DRAWICON(C>O,L,1); X:T+1;")).message.contains(QStringLiteral("'T'")));
    EXPECT_TRUE(
        compileError(QStringLiteral("T:=VERTLINE(C>O);")).message.contains(QStringLiteral("VERTLINE")));
}

TEST(LangCompilerTest, HostileInputNeverCrashes)
{
    // nesting far beyond any real formula is refused, not recursed into
    const QString deep =
        QString(5000, QLatin1Char('(')) + QStringLiteral("1") + QString(5000, QLatin1Char(')'));
    EXPECT_TRUE(compileError(deep).message.contains(QStringLiteral("嵌套")));
    const QString minus = QString(5000, QLatin1Char('-')) + QStringLiteral("1;");
    compileError(minus);

    const char* vocab[] = {
        "MA",       "(",      ")",         ",",       ";",        ":",         ":=",  "C",        "O",
        "N",        "1",      "0",         "-2",      "+",        "-",         "*",   "/",        ">",
        "<=",       "=",      "<>",        "AND",     "OR",       "NOT",       "IF",  "REF",      "HHV",
        "SUM",      "X",      "Y",         "{",       "}",        "'t'",       "'",   "DRAWTEXT", "STICKLINE",
        "COLORRED", "NODRAW", "CROSS",     "FILTER",  "BARSLAST", "SAR",       "0.5", "1e3",      "//",
        "\n",       "VOL",    "EMA",       "SMA",     "DMA",      "VALUEWHEN", "STD", "AVEDEV",   "WMA",
        "EXPMEMA",  "COUNT",  "DRAWKLINE", "VERTLINE"};
    const int vocabSize = int(sizeof(vocab) / sizeof(vocab[0]));
    unsigned seed = 2024;
    auto rnd = [&seed](int n) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) % unsigned(n));
    };
    CFormulaInput in;
    in.barCount = 8;
    in.close = {1, 2, DBL_MAX, 4, 5, 4, 3, 2};
    in.open = {1, 1, 1, 1, 1, 1, 1, 1};
    in.high = in.close;
    in.low = in.open;
    int compiled = 0;
    for (int round = 0; round < 4000; ++round) {
        QString src;
        const int len = 1 + rnd(25);
        for (int i = 0; i < len; ++i)
            src += QString::fromUtf8(vocab[rnd(vocabSize)]) + (rnd(3) ? QString() : QStringLiteral(" "));
        if (round % 5 == 0)
            src = QStringLiteral("X:C;Y:MA(X,2);") + src;
        CFormulaProgram prog;
        CFormulaError err;
        if (!CFormulaCompiler::compile(src, {QStringLiteral("N")}, prog, err)) {
            EXPECT_FALSE(err.message.isEmpty()) << src.toStdString();
            EXPECT_GE(err.line, 1) << src.toStdString();
            continue;
        }
        ++compiled;
        CFormulaRunResult res;
        EXPECT_TRUE(
            CFormulaEvaluator::run(prog, in, {{QStringLiteral("N"), double(rnd(5) - 1)}}, res, nullptr));
        for (const COutput& o : res.outputs)
            for (const auto& col : o.columns)
                EXPECT_EQ(col.size(), 8u) << src.toStdString();
    }
    EXPECT_GT(compiled, 10); // the soup did reach the evaluator
}
