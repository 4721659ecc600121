#include "platform/indexui/CPinyinInitials.h"

#include <QHash>
#include <QVector>

namespace TC {

namespace {

// Each character followed by its initials (several for a polyphone).
const char16_t kTable[] =
    // the sample market: stocks, indexes, sectors, bond, futures, external data
    u"申s万w通t信x设s备b家j用y电d器q白b色s食s品p饮y料l酒j银y行hx股g份f"
    u"制z网w络l及j件j空k调td隔g夜y螺l纹w钢g主z连l上s证z指z数s浦p发f转z"
    u"债z贵g州z茅m台t中z兴x讯x格g力l深s成c页y"
    // common in the names of stocks, indexes, futures and funds
    u"招z商s平p安a国g工g农n建j交j保b险x券q科k技j业y地d产c华h东d南n西x北b"
    u"新x能n源y汽q车c医y药y生s物w化h石s油y煤m炭t金j属s有y美m的d海h康k威w"
    u"视s京j方f五w粮l液y泸l老l窖j洋y河h宁n德d时s代d比b亚y迪d长cz江j大d"
    u"小x创c综z合h沪h人r民m币b元y港g光g明m天t津j山s川c云y广g福f厦xs门m"
    u"重cz庆q湖h鄂e晋j冀j豫y陕s甘g青q蒙m藏zc疆j黑h龙l吉j辽l苏s浙z皖w赣g"
    u"闽m粤y桂g琼q渝y蜀s黔q滇d控k集j团t投t资z实s展z开k口k航h运y输s船c舶b"
    u"机j械x装z飞f达d泰t和h诚c盛sc益y宝b恒h瑞r丰f鑫x隆l昌c祥x荣r寿s联l"
    u"众z鸿h星x际j环h球q世s界j纪j智z慧h软r微w芯x片p半b导d体t材c纺f织z服f"
    u"饰s酿n造z啤p乳r肉r猪z鸡j牧m渔y种zc子z糖t盐y纸z包b印y刷s传cz媒m影y"
    u"游y戏x教j育y旅l店d零l售s贸m易y流l快k递d仓c储c水s务w燃r气q热r核h风f"
    u"锂l钴g镍n铜t铝l锌x铅q锡x钨w钼m稀x土t黄h钻z矿k焦j沥l橡x胶j塑s玻b璃l"
    u"纯c碱j尿n素s甲j醇c乙y烯x丙b苯b棉m花h豆d粕p玉y米m菜c籽z棕z榈l蛋d苹p"
    u"果g红h枣z期q货h次c月y季j年n周z权q利l率ls汇h基j分f级j优y先x一y二e"
    u"三s四s六l七q八b九j十s百b千q板b所s价j值z低d波b动d等d全q收s企q央y退t"
    u"市s特t别b处c理l";

struct Table {
    QHash<QChar, QString> map;
    Table()
    {
        QChar current;
        for (const char16_t c : kTable) {
            if (c == 0)
                break;
            const QChar ch(c);
            if (ch.unicode() < 0x80) {
                if (!current.isNull() && !map.value(current).contains(ch))
                    map[current] += ch;
            } else {
                current = ch;
                map.insert(current, map.value(current));
            }
        }
    }
};

const Table& table()
{
    static const Table t;
    return t;
}

// The initial sets of the characters of `name` that take part in matching.
QVector<QString> initialSets(const QString& name)
{
    QVector<QString> sets;
    sets.reserve(name.size());
    for (const QChar c : name) {
        const QString s = CPinyinInitials::initialsOf(c);
        if (!s.isEmpty())
            sets.append(s);
    }
    return sets;
}

} // namespace

bool CPinyinInitials::isChinese(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0x3400 && u <= 0x4DBF) || (u >= 0xF900 && u <= 0xFAFF);
}

bool CPinyinInitials::hasEntry(QChar c)
{
    return table().map.contains(c);
}

QString CPinyinInitials::initialsOf(QChar c)
{
    if (c.unicode() < 0x80) {
        if (c.isLetterOrNumber())
            return QString(c.toLower());
        return QString();
    }
    return table().map.value(c);
}

int CPinyinInitials::match(const QString& name, const QString& typed, bool prefixOnly)
{
    const QString t = typed.toLower();
    if (t.isEmpty())
        return -1;
    const QVector<QString> sets = initialSets(name);
    const int last = prefixOnly ? 0 : sets.size() - t.size();
    for (int start = 0; start <= last && start + t.size() <= sets.size(); ++start) {
        bool ok = true;
        for (int i = 0; i < t.size() && ok; ++i)
            ok = sets[start + i].contains(t[i]);
        if (ok)
            return start;
    }
    return -1;
}

} // namespace TC
