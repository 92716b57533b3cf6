#include "OfficeSaveLosses.h"

#include <algorithm>

using quirn::SheetFacts;
using quirn::SheetKind;
using quirn::SheetVisibility;

QStringList OfficeSaveLosses::named() const
{
    QStringList losses;
    auto add = [&losses](const QString &loss) {
        if (!losses.contains(loss))
            losses << loss;
    };
    // The print settings lost, named in this order.
    const QStringList printSettings{QStringLiteral("印刷品質"), QStringLiteral("簡易印刷"),
                                    QStringLiteral("白黒印刷"), QStringLiteral("コメントの印刷位置"),
                                    QStringLiteral("ヘッダー・フッターより狭い上下の余白")};
    QList<bool> printing(printSettings.size(), false);
    auto addPrinting = [&](const QString &setting) { printing[printSettings.indexOf(setting)] = true; };
    for (const SheetFacts &facts : m_sheets) {
        if (facts.kind == SheetKind::Chart)
            add(QStringLiteral("グラフ シート (ワークシートに変わります)"));
        if (facts.kind == SheetKind::MacroSheet)
            add(QStringLiteral("Excel 4.0 マクロ シート (マクロが失われます)"));
        if (facts.kind == SheetKind::DialogSheet)
            add(QStringLiteral("ダイアログ シート (ワークシートに変わります)"));
        if (facts.hasTextBoxes)
            add(QStringLiteral("テキスト ボックス (中の文字とともに失われます)"));
        if (facts.hasTextFormulaResults)
            add(QStringLiteral("文字列を返す数式の結果 (再計算するまで表示されません)"));
        if (facts.contentsProtected)
            add(QStringLiteral("シート保護の設定の一部 (オブジェクトとシナリオの保護が変わります)"));
        const quirn::PageSetupFacts &setup = facts.pageSetup;
        const bool headed = !(setup.leftHeader + setup.centerHeader + setup.rightHeader).isEmpty();
        const bool footed = !(setup.leftFooter + setup.centerFooter + setup.rightFooter).isEmpty();
        if (std::any_of(setup.printQuality.cbegin(), setup.printQuality.cend(),
                        [](int dpi) { return dpi != 0 && dpi != 300; }))
            addPrinting(QStringLiteral("印刷品質"));
        if (setup.draft)
            addPrinting(QStringLiteral("簡易印刷"));
        if (setup.blackAndWhite)
            addPrinting(QStringLiteral("白黒印刷"));
        if (setup.printComments == 16)
            addPrinting(QStringLiteral("コメントの印刷位置"));
        // The office keeps a header inside the top margin: a header set
        // further from the edge than the margin moves the margin.
        if ((headed && setup.headerMargin > setup.topMargin)
            || (footed && setup.footerMargin > setup.bottomMargin))
            addPrinting(QStringLiteral("ヘッダー・フッターより狭い上下の余白"));
        if (veryHiddenLost && facts.visibility == SheetVisibility::VeryHidden)
            add(QStringLiteral("再表示できないように隠したシート (表示できるようになります)"));
    }
    QStringList printed;
    for (qsizetype i = 0; i < printSettings.size(); ++i)
        if (printing.at(i))
            printed << printSettings.at(i);
    if (!printed.isEmpty())
        add(QStringLiteral("印刷設定の一部 (%1)").arg(printed.join(QStringLiteral("、"))));
    // The office writes no VBA project whose module names are not ASCII.
    const bool foreignModuleNames = std::any_of(m_modules.cbegin(), m_modules.cend(),
        [](const quirn::VbaModuleFacts &module) {
            return std::any_of(module.name.cbegin(), module.name.cend(),
                               [](QChar c) { return c.unicode() > 0x7F; });
        });
    if (foreignModuleNames)
        add(QStringLiteral("VBA のマクロ (プロジェクト全体が失われます)"));
    if (passwordLost)
        add(QStringLiteral("読み取りパスワード"));
    QStringList changes = copiesDiffer;
    changes.sort();
    for (const QString &change : std::as_const(changes))
        add(change);
    return losses;
}
