#include "platform/formula/lang/CFormulaParser.h"

#include "platform/formula/lang/CFormulaFunctionTable.h"
#include "platform/formula/lang/CFormulaInput.h"
#include "platform/formula/lang/CFormulaLexer.h"
#include "platform/formula/lang/CFormulaStyle.h"

namespace TC {
namespace flang {

namespace {

struct CDataName {
    const char* name;
    EFormulaField field;
};

const CDataName kDataNames[] = {
    {"OPEN", EFormulaField::Open},     {"O", EFormulaField::Open},        {"HIGH", EFormulaField::High},
    {"H", EFormulaField::High},        {"LOW", EFormulaField::Low},       {"L", EFormulaField::Low},
    {"CLOSE", EFormulaField::Close},   {"C", EFormulaField::Close},       {"VOL", EFormulaField::Volume},
    {"V", EFormulaField::Volume},      {"AMOUNT", EFormulaField::Amount}, {"ISUP", EFormulaField::IsUp},
    {"ISDOWN", EFormulaField::IsDown},
};

int dataField(const QString& name)
{
    for (const CDataName& d : kDataNames) {
        if (name == QLatin1String(d.name))
            return static_cast<int>(d.field);
    }
    return -1;
}

struct CPeriodName {
    const char* name;
    qint64 seconds;
};

const CPeriodName kPeriods[] = {
    {"MIN1", 60},   {"MIN5", 300},    {"MIN15", 900},     {"MIN30", 1800},     {"MIN60", 3600},
    {"DAY", 86400}, {"WEEK", 604800}, {"MONTH", 2592000}, {"SEASON", 7776000}, {"YEAR", 31536000},
};

// Fields another instrument or period can supply.
bool isPlainField(int field)
{
    return field >= 0 && field <= static_cast<int>(EFormulaField::Amount);
}

bool isKeyword(const QString& name)
{
    return name == QLatin1String("AND") || name == QLatin1String("OR") || name == QLatin1String("NOT");
}

bool isIdentifier(const QString& name)
{
    if (name.isEmpty() || !(name.at(0).isLetter() || name.at(0) == QLatin1Char('_')))
        return false;
    for (QChar c : name) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('_'))
            return false;
    }
    return true;
}

bool isKeywordToken(const CFormulaToken& t, const char* word)
{
    return t.kind == ETokenKind::Ident && t.text == QLatin1String(word);
}

QString unexpected(const CFormulaToken& t)
{
    if (t.kind == ETokenKind::End)
        return QStringLiteral("公式意外结束");
    return QStringLiteral("意外的符号 %1").arg(CFormulaLexer::describe(t));
}

// Keeps the recursion depth bounded so hostile input cannot exhaust the stack.
class CDepthGuard
{
public:
    explicit CDepthGuard(int& depth) : m_depth(depth) { ++m_depth; }
    ~CDepthGuard() { --m_depth; }
    CDepthGuard(const CDepthGuard&) = delete;
    CDepthGuard& operator=(const CDepthGuard&) = delete;

private:
    int& m_depth;
};

} // namespace

CFormulaParser::CFormulaParser(const std::vector<CFormulaToken>& tokens, const QStringList& paramNames)
    : m_tokens(tokens), m_paramNames(paramNames)
{
}

bool CFormulaParser::parse(CFormulaProgram& out, CFormulaError& err)
{
    m_program = &out;
    m_error = &err;
    out = CFormulaProgram();
    for (QString& name : m_paramNames) {
        name = name.trimmed().toUpper();
        if (!isIdentifier(name) || isKeyword(name) || dataField(name) >= 0 || m_paramNames.count(name) > 1)
            return fail(0, 0, QStringLiteral("参数名无效 '%1'").arg(name));
    }
    out.m_paramNames = m_paramNames;
    if (m_tokens.empty() || m_tokens.back().kind != ETokenKind::End)
        return fail(1, 1, QStringLiteral("公式意外结束"));
    while (peek().kind != ETokenKind::End) {
        if (!parseStatement())
            return false;
    }
    return !m_failed;
}

bool CFormulaParser::parseStatement()
{
    if (peek().kind == ETokenKind::Semicolon) {
        next();
        return true;
    }
    CFormulaStatement st;
    st.line = peek().line;
    const bool named = peek().kind == ETokenKind::Ident &&
                       (peek(1).kind == ETokenKind::Colon || peek(1).kind == ETokenKind::Assign);
    if (named) {
        const CFormulaToken& nameTok = next();
        st.hidden = next().kind == ETokenKind::Assign;
        st.name = nameTok.text;
        if (m_variables.contains(st.name) || m_paramNames.contains(st.name) || dataField(st.name) >= 0 ||
            isKeyword(st.name))
            return fail(nameTok, QStringLiteral("名称重复定义 '%1'").arg(st.name));
    }
    const int firstNode = int(m_program->m_nodes.size());
    st.root = parseOr();
    if (st.root < 0 || !checkNotString(st.root))
        return false;
    const CFormulaNode& root = m_program->m_nodes[size_t(st.root)];
    if (root.kind == CFormulaNode::EKind::Call) {
        const CFormulaFunctionInfo& fi = CFormulaFunctionTable::info(EFormulaFunction(root.index));
        if (fi.drawing) {
            st.drawing = true;
            st.styleCode = fi.styleCode;
        }
    }
    for (int i = firstNode; i < int(m_program->m_nodes.size()); ++i) {
        if (i != st.root && !checkNoNestedDrawing(i))
            return false;
    }
    if (st.hidden && st.drawing)
        return fail(root.line, root.column, QStringLiteral("绘图函数不能赋给隐藏变量 '%1'").arg(root.text));
    if (!parseAttributes(st))
        return false;
    if (peek().kind == ETokenKind::Semicolon)
        next();
    else if (peek().kind != ETokenKind::End)
        return fail(peek(), unexpected(peek()));

    if (named) {
        if (st.drawing) {
            m_variables.insert(st.name, -1);
        } else {
            st.slot = m_program->m_slotCount++;
            m_variables.insert(st.name, st.slot);
        }
    } else {
        st.name = QStringLiteral("NONAME%1").arg(++m_unnamed);
    }
    m_program->m_statements.push_back(st);
    return true;
}

bool CFormulaParser::parseAttributes(CFormulaStatement& st)
{
    while (peek().kind == ETokenKind::Comma) {
        next();
        const CFormulaToken& tok = next();
        if (tok.kind != ETokenKind::Ident)
            return fail(tok, QStringLiteral("缺少绘图属性, 遇到 %1").arg(CFormulaLexer::describe(tok)));
        unsigned value = 0;
        const CFormulaStyle::EAttrKind kind = CFormulaStyle::parseAttribute(tok.text, value);
        if (kind == CFormulaStyle::EAttrKind::None)
            return fail(tok, QStringLiteral("未知的绘图属性 '%1'").arg(tok.text));
        if (st.hidden)
            return fail(tok, QStringLiteral("隐藏变量不能带绘图属性 '%1'").arg(tok.text));
        switch (kind) {
        case CFormulaStyle::EAttrKind::Style:
            if (!st.drawing || static_cast<int>(value) == CFormulaStyle::kNoDraw)
                st.styleCode = static_cast<int>(value);
            break;
        case CFormulaStyle::EAttrKind::Color:
            st.color = value;
            break;
        case CFormulaStyle::EAttrKind::Width:
            st.lineWidth = int(value);
            break;
        case CFormulaStyle::EAttrKind::None:
            break;
        }
    }
    return true;
}

int CFormulaParser::parseOr()
{
    int lhs = parseAnd();
    while (lhs >= 0 && (peek().kind == ETokenKind::Or || isKeywordToken(peek(), "OR"))) {
        const CFormulaToken& opTok = next();
        lhs = makeBinary(EFormulaOp::Or, opTok, lhs, parseAnd());
    }
    return lhs;
}

int CFormulaParser::parseAnd()
{
    int lhs = parseCompare();
    while (lhs >= 0 && (peek().kind == ETokenKind::And || isKeywordToken(peek(), "AND"))) {
        const CFormulaToken& opTok = next();
        lhs = makeBinary(EFormulaOp::And, opTok, lhs, parseCompare());
    }
    return lhs;
}

int CFormulaParser::parseCompare()
{
    int lhs = parseAdditive();
    while (lhs >= 0) {
        EFormulaOp op;
        switch (peek().kind) {
        case ETokenKind::Gt:
            op = EFormulaOp::Gt;
            break;
        case ETokenKind::Lt:
            op = EFormulaOp::Lt;
            break;
        case ETokenKind::Ge:
            op = EFormulaOp::Ge;
            break;
        case ETokenKind::Le:
            op = EFormulaOp::Le;
            break;
        case ETokenKind::Eq:
            op = EFormulaOp::Eq;
            break;
        case ETokenKind::Ne:
            op = EFormulaOp::Ne;
            break;
        default:
            return lhs;
        }
        const CFormulaToken& opTok = next();
        lhs = makeBinary(op, opTok, lhs, parseAdditive());
    }
    return lhs;
}

int CFormulaParser::parseAdditive()
{
    int lhs = parseMultiplicative();
    while (lhs >= 0 && (peek().kind == ETokenKind::Plus || peek().kind == ETokenKind::Minus)) {
        const CFormulaToken& opTok = next();
        const EFormulaOp op = opTok.kind == ETokenKind::Plus ? EFormulaOp::Add : EFormulaOp::Sub;
        lhs = makeBinary(op, opTok, lhs, parseMultiplicative());
    }
    return lhs;
}

int CFormulaParser::parseMultiplicative()
{
    int lhs = parseUnary();
    while (lhs >= 0 && (peek().kind == ETokenKind::Star || peek().kind == ETokenKind::Slash)) {
        const CFormulaToken& opTok = next();
        const EFormulaOp op = opTok.kind == ETokenKind::Star ? EFormulaOp::Mul : EFormulaOp::Div;
        lhs = makeBinary(op, opTok, lhs, parseUnary());
    }
    return lhs;
}

int CFormulaParser::parseUnary()
{
    CDepthGuard guard(m_depth);
    if (m_depth > kMaxDepth) {
        fail(peek(), QStringLiteral("表达式嵌套过深 %1").arg(CFormulaLexer::describe(peek())));
        return -1;
    }
    const CFormulaToken& tok = peek();
    if (tok.kind == ETokenKind::Plus || tok.kind == ETokenKind::Minus || isKeywordToken(tok, "NOT")) {
        next();
        const int operand = parseUnary();
        if (operand < 0 || !checkNotString(operand))
            return -1;
        if (tok.kind == ETokenKind::Plus)
            return operand;
        CFormulaNode node;
        node.kind = CFormulaNode::EKind::Unary;
        node.op = tok.kind == ETokenKind::Minus ? EFormulaOp::Neg : EFormulaOp::Not;
        node.args.push_back(operand);
        node.text = tok.text;
        node.line = tok.line;
        node.column = tok.column;
        return addNode(node);
    }
    return parsePrimary();
}

int CFormulaParser::parsePrimary()
{
    const CFormulaToken& tok = peek();
    CFormulaNode node;
    node.text = tok.text;
    node.line = tok.line;
    node.column = tok.column;
    switch (tok.kind) {
    case ETokenKind::Number:
        next();
        node.kind = CFormulaNode::EKind::Number;
        node.number = tok.number;
        return addNode(node);
    case ETokenKind::String:
        next();
        node.kind = CFormulaNode::EKind::String;
        return addNode(node);
    case ETokenKind::Reference: {
        next();
        const int dollar = tok.text.lastIndexOf(QLatin1Char('$'));
        const QString key = dollar > 0 ? tok.text.left(dollar).trimmed() : QString();
        const int field = dollar > 0 ? dataField(tok.text.mid(dollar + 1).trimmed()) : -1;
        if (key.isEmpty() || !isPlainField(field)) {
            fail(tok, QStringLiteral("引用格式应为 \"代码$数据\" %1").arg(CFormulaLexer::describe(tok)));
            return -1;
        }
        return parseReference(tok, key, field);
    }
    case ETokenKind::LParen: {
        next();
        const int inner = parseOr();
        if (inner < 0)
            return -1;
        if (peek().kind != ETokenKind::RParen) {
            fail(peek(), QStringLiteral("缺少 ')', 遇到 %1").arg(CFormulaLexer::describe(peek())));
            return -1;
        }
        next();
        return inner;
    }
    case ETokenKind::Ident:
        if (!isKeyword(tok.text))
            return parseIdentifier();
        break;
    default:
        break;
    }
    fail(tok, unexpected(tok));
    return -1;
}

int CFormulaParser::parseIdentifier()
{
    const CFormulaToken& tok = next();
    if (peek().kind == ETokenKind::LParen)
        return parseCall(tok);
    CFormulaNode node;
    node.text = tok.text;
    node.line = tok.line;
    node.column = tok.column;
    const auto var = m_variables.constFind(tok.text);
    if (var != m_variables.constEnd()) {
        if (var.value() < 0) {
            fail(tok, QStringLiteral("绘图输出不能被引用 '%1'").arg(tok.text));
            return -1;
        }
        node.kind = CFormulaNode::EKind::Variable;
        node.index = var.value();
        return addNode(node);
    }
    const int param = m_paramNames.indexOf(tok.text);
    if (param >= 0) {
        node.kind = CFormulaNode::EKind::Param;
        node.index = param;
        return addNode(node);
    }
    const int field = dataField(tok.text);
    if (field >= 0) {
        if (peek().kind == ETokenKind::Hash && isPlainField(field))
            return parseReference(tok, QString(), field);
        node.kind = CFormulaNode::EKind::Data;
        node.index = field;
        return addNode(node);
    }
    if (const CFormulaFunctionInfo* fi = CFormulaFunctionTable::find(tok.text)) {
        // functions of no argument (DATE, BARPOS, ...) are written bare
        if (fi->argCount == 0)
            return addCall(tok, *fi, {});
        fail(tok, QStringLiteral("函数缺少参数 '%1'").arg(tok.text));
        return -1;
    }
    unsigned colour = 0;
    if (CFormulaStyle::parseAttribute(tok.text, colour) == CFormulaStyle::EAttrKind::Color) {
        // a colour name is a number where a value is expected (PARTLINE's colours)
        node.kind = CFormulaNode::EKind::Number;
        node.number = double(colour);
        return addNode(node);
    }
    fail(tok, QStringLiteral("未知的函数或变量 '%1'").arg(tok.text));
    return -1;
}

int CFormulaParser::parseReference(const CFormulaToken& tok, const QString& key, int field)
{
    CFormulaNode node;
    node.kind = CFormulaNode::EKind::Reference;
    node.text = key;
    node.index = field;
    node.number = 0.0;
    node.line = tok.line;
    node.column = tok.column;
    if (peek().kind == ETokenKind::Hash) {
        next();
        const CFormulaToken& period = next();
        bool known = false;
        for (const CPeriodName& p : kPeriods) {
            if (period.kind == ETokenKind::Ident && period.text == QLatin1String(p.name)) {
                node.number = double(p.seconds);
                known = true;
            }
        }
        if (!known) {
            fail(period, QStringLiteral("未知的周期 %1").arg(CFormulaLexer::describe(period)));
            return -1;
        }
    }
    return addNode(node);
}

int CFormulaParser::parseCall(const CFormulaToken& nameTok)
{
    const CFormulaFunctionInfo* fi = CFormulaFunctionTable::find(nameTok.text);
    if (!fi) {
        if (m_variables.contains(nameTok.text) || m_paramNames.contains(nameTok.text) ||
            dataField(nameTok.text) >= 0)
            fail(nameTok, QStringLiteral("不是函数 '%1'").arg(nameTok.text));
        else
            fail(nameTok, QStringLiteral("未知的函数或变量 '%1'").arg(nameTok.text));
        return -1;
    }
    next(); // '('
    CFormulaNode node;
    node.kind = CFormulaNode::EKind::Call;
    node.index = static_cast<int>(fi->id);
    node.text = nameTok.text;
    node.line = nameTok.line;
    node.column = nameTok.column;
    if (peek().kind != ETokenKind::RParen) {
        for (;;) {
            const int arg = parseOr();
            if (arg < 0)
                return -1;
            node.args.push_back(arg);
            if (peek().kind != ETokenKind::Comma)
                break;
            next();
        }
    }
    if (peek().kind != ETokenKind::RParen) {
        fail(peek(), QStringLiteral("缺少 ')', 遇到 %1").arg(CFormulaLexer::describe(peek())));
        return -1;
    }
    next();
    return addCall(nameTok, *fi, std::move(node.args));
}

int CFormulaParser::addCall(const CFormulaToken& nameTok, const CFormulaFunctionInfo& info,
                            std::vector<int> args)
{
    const CFormulaFunctionInfo* fi = &info;
    CFormulaNode node;
    node.kind = CFormulaNode::EKind::Call;
    node.index = static_cast<int>(fi->id);
    node.text = nameTok.text;
    node.line = nameTok.line;
    node.column = nameTok.column;
    node.args = std::move(args);
    if (!CFormulaFunctionTable::acceptsArgs(*fi, int(node.args.size()))) {
        fail(nameTok, QStringLiteral("函数 '%1' 需要 %2 个参数, 实际 %3 个")
                          .arg(nameTok.text)
                          .arg(CFormulaFunctionTable::argsText(*fi))
                          .arg(node.args.size()));
        return -1;
    }
    if (fi->future && !m_program->m_futureFunctions.contains(nameTok.text))
        m_program->m_futureFunctions << nameTok.text;
    for (int i = 0; i < int(node.args.size()); ++i) {
        const bool isString =
            m_program->m_nodes[size_t(node.args[size_t(i)])].kind == CFormulaNode::EKind::String;
        if (i == fi->stringArg && !isString) {
            fail(nameTok,
                 QStringLiteral("函数 '%1' 的第 %2 个参数必须是字符串").arg(nameTok.text).arg(i + 1));
            return -1;
        }
        if (i != fi->stringArg && !checkNotString(node.args[size_t(i)]))
            return -1;
    }
    return addNode(node);
}

int CFormulaParser::addNode(CFormulaNode node)
{
    m_program->m_nodes.push_back(std::move(node));
    return int(m_program->m_nodes.size()) - 1;
}

int CFormulaParser::makeBinary(EFormulaOp op, const CFormulaToken& opTok, int lhs, int rhs)
{
    if (lhs < 0 || rhs < 0 || !checkNotString(lhs) || !checkNotString(rhs))
        return -1;
    CFormulaNode node;
    node.kind = CFormulaNode::EKind::Binary;
    node.op = op;
    node.args = {lhs, rhs};
    node.text = opTok.text;
    node.line = opTok.line;
    node.column = opTok.column;
    return addNode(node);
}

bool CFormulaParser::checkNotString(int node)
{
    const CFormulaNode& n = m_program->m_nodes[size_t(node)];
    if (n.kind != CFormulaNode::EKind::String)
        return true;
    return fail(n.line, n.column, QStringLiteral("字符串只能用作 DRAWTEXT 的文字 '%1'").arg(n.text));
}

bool CFormulaParser::checkNoNestedDrawing(int node)
{
    const CFormulaNode& n = m_program->m_nodes[size_t(node)];
    if (n.kind == CFormulaNode::EKind::Call && CFormulaFunctionTable::info(EFormulaFunction(n.index)).drawing)
        return fail(n.line, n.column, QStringLiteral("绘图函数只能单独成句 '%1'").arg(n.text));
    return true;
}

const CFormulaToken& CFormulaParser::peek(int ahead) const
{
    const size_t i = m_pos + size_t(ahead);
    return i < m_tokens.size() ? m_tokens[i] : m_tokens.back();
}

const CFormulaToken& CFormulaParser::next()
{
    const CFormulaToken& t = peek();
    if (m_pos + 1 < m_tokens.size())
        ++m_pos;
    return t;
}

bool CFormulaParser::fail(const CFormulaToken& at, const QString& message)
{
    return fail(at.line, at.column, message);
}

bool CFormulaParser::fail(int line, int column, const QString& message)
{
    if (!m_failed) {
        m_failed = true;
        m_error->line = line;
        m_error->column = column;
        m_error->message = message;
    }
    return false;
}

} // namespace flang
} // namespace TC
