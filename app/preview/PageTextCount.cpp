#include "preview/PageTextCount.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace penwick {

const QString& PageTextCount::script()
{
    // Nodes sent keep their number while nothing inside them changes; a change anywhere in a
    // top-level node (or its being put back into the body) gives it a new one. Unchanged
    // neighbours go as runs of numbers, [first, last].
    static const QString text = QStringLiteral("(function(){") + TextCount::domWalkFunction() + QStringLiteral(R"JS(
var s=window.__pwc;
if(!s){s=window.__pwc={page:Date.now().toString(36)+Math.random().toString(36).slice(2),ids:new WeakMap(),next:1,
forget:function(recs){var b=document.body;for(var i=0;i<recs.length;i++){var r=recs[i];
if(r.target===b){for(var k=0;k<r.addedNodes.length;k++)s.ids.delete(r.addedNodes[k]);continue;}
var t=r.target;while(t&&t.parentNode!==b)t=t.parentNode;if(t)s.ids.delete(t);}}};
s.observer=new MutationObserver(function(recs){s.forget(recs);});
s.observer.observe(document,{childList:true,subtree:true,characterData:true});}
var b=document.body;
s.forget(s.observer.takeRecords());
var out=[],from=0,to=-1;
function flush(){if(to>=from)out.push(from===to?from:[from,to]);to=-1;}
if(b)for(var c=b.firstChild;c;c=c.nextSibling){var id=s.ids.get(c);
if(id!==undefined){if(to>=0&&id===to+1)to=id;else{flush();from=to=id;}continue;}
var tree=walk(c,false);if(tree===null)continue;
flush();id=s.next++;s.ids.set(c,id);out.push({i:id,t:tree});}
flush();
return JSON.stringify({p:s.page,o:walk(document,true),b:b?out:null});})())JS");
    return text;
}

const QString& PageTextCount::resetScript()
{
    static const QString text = QStringLiteral("if(window.__pwc){window.__pwc.observer.disconnect();delete window.__pwc;}0");
    return text;
}

std::optional<DOMNodeTextCount> PageTextCount::count(const QString& answer)
{
    const QJsonObject result = QJsonDocument::fromJson(answer.toUtf8()).object();
    const QString page = result.value(QLatin1String("p")).toString();
    if (page != m_page) {
        m_page = page;
        m_nodes.clear();
    }
    DOMNodeTextCount total = TextCount::countDomTree(result.value(QLatin1String("o")));
    QHash<qint64, DOMNodeTextCount> seen;
    bool missing = false;
    const auto add = [&](qint64 id) {
        const auto it = m_nodes.constFind(id);
        if (it == m_nodes.constEnd()) {
            missing = true;
            return;
        }
        total.words += it->words;
        total.characters += it->characters;
        total.charactersWithoutSpaces += it->charactersWithoutSpaces;
        seen.insert(id, *it);
    };
    for (const QJsonValue entry : result.value(QLatin1String("b")).toArray()) {
        if (entry.isDouble()) {
            add(qint64(entry.toDouble()));
        } else if (entry.isArray()) {
            const QJsonArray run = entry.toArray();
            for (qint64 id = qint64(run.at(0).toDouble()); id <= qint64(run.at(1).toDouble()) && !missing; ++id)
                add(id);
        } else {
            const QJsonObject node = entry.toObject();
            m_nodes.insert(qint64(node.value(QLatin1String("i")).toDouble()), TextCount::countDomTree(node.value(QLatin1String("t")), QStringLiteral("BODY")));
            add(qint64(node.value(QLatin1String("i")).toDouble()));
        }
        if (missing) {
            m_nodes.clear();
            m_page.clear();
            return std::nullopt;
        }
    }
    m_nodes = std::move(seen); // nodes no longer in the body are forgotten
    return total;
}

} // namespace penwick
