// Arbitrary bytes as the user's indicator templates (<user>/templates.json)
// read by the template strip. Beyond not crashing: the built-in templates
// come first and unchanged, each user template has a distinct trimmed name of
// at most kMaxNameLength characters and a non-empty list of distinct
// upper-case formulas, and there is a button per template. Saving one more
// template rewrites the file, which reads back as the same templates plus the
// new one; a file that could not be read is set aside byte for byte.
//   scripts/fuzz.sh 60 fuzz_templates
#include <cstddef>
#include <cstdint>

#include <QApplication>
#include <QSet>

#include "FuzzFolder.h"
#include "platform/indexui/CIndexModelWidget.h"

using fuzz::check;
using TC::CIndexModelWidget;

namespace {

QVector<CIndexModelWidget::Template> g_builtins;

bool same(const CIndexModelWidget::Template& a, const CIndexModelWidget::Template& b)
{
    return a.name == b.name && a.formulas == b.formulas && a.builtin == b.builtin;
}

void checkStrip(const CIndexModelWidget& w)
{
    const QVector<CIndexModelWidget::Template> all = w.templates();
    check(all.size() >= g_builtins.size() && w.templateButtons().size() == all.size());
    QSet<QString> names;
    for (int i = 0; i < all.size(); ++i) {
        const CIndexModelWidget::Template& t = all[i];
        if (i < g_builtins.size()) {
            check(same(t, g_builtins[i]));
        } else {
            check(!t.builtin && !t.name.isEmpty() && t.name == t.name.trimmed() &&
                  t.name.size() <= CIndexModelWidget::kMaxNameLength && !t.formulas.isEmpty());
            check(QSet<QString>(t.formulas.begin(), t.formulas.end()).size() == t.formulas.size());
            for (const QString& f : t.formulas)
                check(!f.isEmpty() && f == f.toUpper() && f == f.trimmed());
        }
        check(!names.contains(t.name));
        names.insert(t.name);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("KLINEVIEW_HOME", fuzz::scratch().filePath(QStringLiteral("home")).toUtf8());
    // Never destroyed: the platform plugin's screens would count as leaks.
    static QApplication* app = new QApplication(*argc, *argv);
    Q_UNUSED(app);
    QFile::remove(CIndexModelWidget::templateFilePath());
    CIndexModelWidget w(true);
    g_builtins = w.templates();
    check(!g_builtins.isEmpty());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    const QString path = fuzz::writeFile(QStringLiteral("home/templates.json"), bytes);
    QFile::remove(path + QStringLiteral(".bad"));
    QVector<CIndexModelWidget::Template> expected;
    {
        CIndexModelWidget w(true);
        checkStrip(w);
        CIndexModelWidget mine(false);
        check(mine.templates().size() == w.templates().size() - g_builtins.size());
        expected = w.templates();
        const QString name = QStringLiteral("fuzz新模板");
        // A template of that name changes in place, else one is added.
        const QStringList formulas{QStringLiteral("MACD"), QStringLiteral("KDJ")};
        int at = -1;
        for (int i = 0; i < expected.size(); ++i)
            at = expected[i].name == name ? i : at;
        if (at >= 0)
            expected[at].formulas = formulas;
        else
            expected.append({name, formulas, false});
        check(w.saveTemplate(name, {QStringLiteral("macd"), QStringLiteral(" KDJ "), QStringLiteral("MACD")}));
    }
    const bool readable = !QFile::exists(path + QStringLiteral(".bad"));
    if (!readable) {
        QFile kept(path + QStringLiteral(".bad"));
        check(kept.open(QIODevice::ReadOnly) && kept.readAll() == bytes);
    }
    CIndexModelWidget again(true);
    checkStrip(again);
    const QVector<CIndexModelWidget::Template> got = again.templates();
    check(got.size() == expected.size());
    for (int i = 0; i < got.size(); ++i)
        check(same(got[i], expected[i]));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
