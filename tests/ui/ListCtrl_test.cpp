// The list control driven through the mouse and the keyboard, as the forms use it.
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <memory>

#include "ui/CListCtrEx.h"
#include "ui/QtText.h"
#include "ui/support/UiTestSupport.h"

using uitest::Cp;

class ListCtrlTest : public QObject {
  Q_OBJECT

 private:
  // A category list as the search settings form builds it: check boxes, yellow marks.
  std::unique_ptr<CListCtrEx> MakeCheckList(bool checkToggle) {
    auto list = std::make_unique<CListCtrEx>();
    list->resize(300, 200);
    list->Setup(checkToggle);
    const CImageList rows = CImageList::RowImages();
    const CImageList boxes = CImageList::CheckBoxes();
    list->SetImageLists(&rows, nullptr, &boxes);
    list->InsertColumn(Cp("分類"), 0);
    const char* names[] = {"ウイルス", "ワーム", "トロイ"};
    for (int i = 0; i < 3; ++i) list->SetItem(i, 0, Cp(names[i]), CImageList::kYellowMark, i == 1 ? 0 : 1);
    list->SelectRow(0);
    list->show();
    if (!QTest::qWaitForWindowExposed(list.get())) qWarning("list not shown");
    return list;
  }

  // The check-box rectangle the style reports for a row's first cell.
  static QRect StyleIndicatorRect(CListCtrEx* list, int row) {
    QStyleOptionViewItem opt;
    opt.initFrom(list);
    opt.rect = list->visualRect(list->model()->index(row, 0));
    opt.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration |
                   QStyleOptionViewItem::HasDisplay;
    opt.decorationSize = QSize(16, 16);
    return list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, list);
  }

 private slots:
  void initTestCase() { uitest::UseProgramLook(); }

  void ClickOnCheckBoxTogglesAndKeepsSelection() {
    auto list = MakeCheckList(true);
    QSignalSpy checks(list.get(), &CListCtrEx::CheckChanged);
    QSignalSpy clicks(list.get(), &CListCtrEx::RowClicked);

    uitest::ClickInView(list.get(), list->CheckRect(2).center());
    QCOMPARE(list->Check(2), 0);
    QCOMPARE(list->SelectedRow(), 0);
    QCOMPARE(list->FocusedRow(), 0);
    QCOMPARE(checks.count(), 1);
    QCOMPARE(checks.at(0).at(1).toInt(), 0);
    QCOMPARE(clicks.count(), 0);

    // The style's own indicator rectangle lies inside the check area.
    uitest::ClickInView(list.get(), StyleIndicatorRect(list.get(), 1).center());
    QCOMPARE(list->Check(1), 1);
    QCOMPARE(list->SelectedRow(), 0);
  }

  void ClickOnNameSelectsAndLeavesCheckBox() {
    auto list = MakeCheckList(true);
    QSignalSpy selection(list.get(), &CListCtrEx::SelectionChanged);
    QSignalSpy clicks(list.get(), &CListCtrEx::RowClicked);
    const QRect row = list->RowRect(1);
    uitest::ClickInView(list.get(), QPoint(row.left() + 5, row.center().y()));
    QCOMPARE(list->SelectedRow(), 1);
    QCOMPARE(list->Check(1), 0);
    QCOMPARE(selection.count(), 1);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(clicks.at(0).at(0).toInt(), 1);
    // Right of the last column the row still answers.
    uitest::ClickInView(list.get(), QPoint(list->viewport()->width() - 3, list->RowRect(2).center().y()));
    QCOMPARE(list->SelectedRow(), 2);
    QCOMPARE(list->Check(2), 1);
  }

  void SpaceTogglesFocusedRowOnly() {
    auto list = MakeCheckList(true);
    list->setFocus();
    QTest::keyClick(list.get(), Qt::Key_Space);
    QCOMPARE(list->Check(0), 0);
    QCOMPARE(list->Check(2), 1);
    QCOMPARE(list->SelectedRow(), 0);
    QTest::keyClick(list.get(), Qt::Key_Space);
    QCOMPARE(list->Check(0), 1);
  }

  void WithoutCheckToggleNothingToggles() {
    auto list = MakeCheckList(false);
    uitest::ClickInView(list.get(), list->CheckRect(1).center());
    list->setFocus();
    QTest::keyClick(list.get(), Qt::Key_Space);
    QCOMPARE(list->Check(1), 0);
    QCOMPARE(list->Check(0), 1);
    // A click on the box never selects, even when it does not toggle.
    QCOMPARE(list->SelectedRow(), 0);
  }

  void RowsWithoutCheckBoxHaveNoCheckArea() {
    CListCtrEx list;
    list.Setup(true);
    list.InsertColumn("Name", 0);
    list.SetItem(0, 0, "plain");
    QCOMPARE(list.Check(0), -1);
    QVERIFY(list.CheckRect(0).isEmpty());
    list.ToggleCheck(0);
    QCOMPARE(list.Check(0), -1);
  }

  void HeaderWidthIsTextWidthPlusFifteen() {
    CListCtrEx list;
    list.Setup(false);
    const char* titles[] = {"ファイル名             ", "フォルダ名            ", "名称            ",
                            "分類            ", "位置情報        "};
    for (int c = 0; c < 5; ++c) QVERIFY(list.InsertColumn(Cp(titles[c]), c));
    for (int c = 0; c < 5; ++c) {
      QCOMPARE(list.columnWidth(c), list.fontMetrics().horizontalAdvance(QString::fromUtf8(titles[c])) + 15);
    }
    // Ideographic blanks count at their full width.
    CListCtrEx wide;
    const std::string title = Cp("分類") + "   " + Cp("\u3000\u3000") + std::string(112, ' ') + Cp("\u3000\u3000");
    QCOMPARE(title.size(), size_t(127));
    wide.InsertColumn(title, 0);
    QCOMPARE(wide.columnWidth(0), wide.fontMetrics().horizontalAdvance(ToQt(title)) + 15);
    QVERIFY(!list.InsertColumn("x", 9));
  }

  void RowHeightTheSameWhateverTheScrollPosition() {
    CListCtrEx list;
    list.resize(200, 200);
    list.Setup(false);
    for (int c = 0; c < 3; ++c) list.InsertColumn(std::string(60, 'x'), c);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.SetItem(0, 0, "a", CImageList::kYellowMark);
    const int height = list.visualRect(list.model()->index(0, 0)).height();
    QVERIFY(height >= CImageList::kImageSize);
    // Column 0 scrolled out of sight while the list is refilled, as when a search starts.
    list.horizontalScrollBar()->setValue(list.horizontalScrollBar()->maximum());
    QVERIFY(list.columnViewportPosition(0) + list.columnWidth(0) < 0);
    list.DeleteAllItems();
    list.AppendRow({"b", "c", "d"}, CImageList::kYellowMark, {});
    list.SetItem(1, 0, "e", CImageList::kYellowMark);
    QCOMPARE(list.visualRect(list.model()->index(0, 0)).height(), height);
    QCOMPARE(list.visualRect(list.model()->index(1, 0)).height(), height);
  }

  void InsertedColumnMovesLaterCells() {
    CListCtrEx list;
    list.InsertColumn("A", 0);
    list.InsertColumn("C", 1);
    list.SetItem(0, 0, "a");
    list.SetItem(0, 1, "c");
    QVERIFY(list.InsertColumn("B", 1, CListCtrEx::Align::Right));
    QCOMPARE(list.ItemText(0, 0), std::string("a"));
    QCOMPARE(list.ItemText(0, 1), std::string());
    QCOMPARE(list.ItemText(0, 2), std::string("c"));
    QCOMPARE(list.model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("C"));
    QVERIFY(list.ColumnAlign(1) == CListCtrEx::Align::Right);
    QVERIFY(list.ColumnAlign(2) == CListCtrEx::Align::Left);
  }

  void LongNameShortenedOverWholeCharacters() {
    CListCtrEx list;
    list.resize(400, 200);
    list.Setup(false);
    list.InsertColumn(Cp("ファイル名"), 0);
    list.InsertColumn(Cp("フォルダ名"), 1);
    std::string name;
    for (int i = 0; i < 40; ++i) name += Cp("表");
    list.SetItem(0, 0, name);
    list.SetItem(0, 1, "/data/" + name);
    list.setColumnWidth(0, 60);
    list.setColumnWidth(1, 90);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    for (int column : {0, 1}) {
      const QString shown = list.ShownText(0, column);
      QVERIFY2(shown.endsWith(QStringLiteral("...")), qPrintable(shown));
      QVERIFY(shown.size() > 3);
      const std::string bytes = FromQt(shown.chopped(3));
      // Whole characters only: the prefix is the stored text's own prefix and converts back.
      QCOMPARE(list.ItemText(0, column).compare(0, bytes.size(), bytes), 0);
      QVERIFY(!shown.contains(QChar(0xFFFD)));
      QVERIFY(list.fontMetrics().horizontalAdvance(shown) <= list.columnWidth(column));
    }
    // Ample room: unchanged.
    list.setColumnWidth(0, list.fontMetrics().horizontalAdvance(PathToQt(name)) + 4);
    QCOMPARE(list.ShownText(0, 0), PathToQt(name));
  }

  // A right-aligned number sits at the right edge of its cell until it has to be shortened.
  void RightAlignmentOnlyForUnshortenedText() {
    CListCtrEx list;
    list.resize(400, 120);
    list.Setup(false);
    list.InsertColumn("Name", 0);
    list.InsertColumn("Size", 1, CListCtrEx::Align::Right);
    list.SetItem(0, 0, "a");
    list.SetItem(0, 1, "42");
    list.setColumnWidth(1, 200);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    auto inkExtent = [&list]() {
      const QImage image = list.viewport()->grab().toImage();
      const QRect cell = list.RowRect(0).intersected(
          QRect(list.header()->sectionViewportPosition(1), 0, list.columnWidth(1), image.height()));
      int left = -1;
      int right = -1;
      for (int x = cell.left(); x <= cell.right(); ++x) {
        for (int y = cell.top(); y <= cell.bottom(); ++y) {
          if (qGray(image.pixel(x, y)) < 128) {
            if (left < 0) left = x - cell.left();
            right = x - cell.left();
            break;
          }
        }
      }
      return std::make_pair(left, right);
    };
    auto [left, right] = inkExtent();
    QVERIFY2(left > 150 && right < 200, qPrintable(QString("ink %1..%2").arg(left).arg(right)));

    list.SetItemText(0, 1, "123456789012345678901234567890");
    list.setColumnWidth(1, 80);
    QVERIFY(list.ShownText(0, 1).endsWith(QStringLiteral("...")));
    std::tie(left, right) = inkExtent();
    QVERIFY2(left >= 0 && left < 12, qPrintable(QString("ink from %1").arg(left)));
  }

  void SelectionHighlightReachesRightEdge() {
    CListCtrEx list;
    list.resize(500, 150);
    list.Setup(false);
    list.InsertColumn("A", 0);
    list.InsertColumn("B", 1);
    list.SetItem(0, 0, "first");
    list.SetItem(1, 0, "second");
    list.SelectRow(1);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QVERIFY(list.header()->length() < 300);
    list.setFocus();  // and then elsewhere: the selection still shows
    list.clearFocus();
    const QImage image = list.viewport()->grab().toImage();
    const QColor highlight = list.palette().color(QPalette::Active, QPalette::Highlight);
    const int y = list.RowRect(1).center().y();
    QCOMPARE(QColor(image.pixel(image.width() - 2, y)), highlight);
    QCOMPARE(QColor(image.pixel(list.header()->length() + 20, y)), highlight);
    QVERIFY(QColor(image.pixel(image.width() - 2, list.RowRect(0).center().y())) != highlight);
  }

  void UserDataLivesWithItsRow() {
    struct Hit {
      int offset;
    };
    CListCtrEx list;
    list.InsertColumn("File", 0);
    auto hit = std::make_shared<Hit>(Hit{4096});
    std::weak_ptr<Hit> watch = hit;
    QVERIFY(list.SetItem(0, 0, "a.exe", CImageList::kPage, -1, hit));
    QVERIFY(list.SetItem(1, 0, "b.exe", -1, -1, std::string("category")));
    hit.reset();
    auto* stored = list.UserData<std::shared_ptr<Hit>>(0);
    QVERIFY(stored != nullptr);
    QCOMPARE((*stored)->offset, 4096);
    QVERIFY(list.UserData<std::string>(0) == nullptr);
    QCOMPARE(*list.UserData<std::string>(1), std::string("category"));
    QVERIFY(list.UserData<std::string>(7) == nullptr);
    QCOMPARE(list.Image(0), int(CImageList::kPage));
    QCOMPARE(list.Image(1), -1);
    list.DeleteAllItems();
    QVERIFY(watch.expired());
  }

  void SetItemRowsAndCells() {
    CListCtrEx list;
    list.InsertColumn("A", 0);
    list.InsertColumn("B", 1);
    QVERIFY(!list.SetItem(0, 1, "no row yet"));
    QVERIFY(list.SetItem(5, 0, "appended"));  // past the end: at the end
    QVERIFY(list.SetItem(0, 0, "front"));
    QCOMPARE(list.ItemCount(), 2);
    QCOMPARE(list.ItemText(0, 0), std::string("front"));
    QCOMPARE(list.ItemText(1, 0), std::string("appended"));
    QVERIFY(!list.SetItem(-1, 0, "x"));
    QVERIFY(!list.SetItem(0, 2, "x"));
    // CP932 bytes come back exactly, also a name that UTF-8 could not carry.
    const std::string escaped = platform::OsNameToCp932("bad\xFFname");
    QVERIFY(list.SetItem(0, 1, escaped));
    QCOMPARE(list.ItemText(0, 1), escaped);
    QCOMPARE(list.ItemText(0, 1).size(), escaped.size());
    QVERIFY(list.DeleteItem(0));
    QCOMPARE(list.ItemText(0, 0), std::string("appended"));
    QVERIFY(!list.DeleteItem(3));

    // A whole row at once is the row SetItem per cell gives, at the end; texts past the
    // last column are dropped, missing ones stay empty.
    QCOMPARE(list.AppendRow({"x.exe", escaped, "past the last column"}, CImageList::kPage, 7), 1);
    QCOMPARE(list.AppendRow({"y.exe"}, -1, {}), 2);
    QCOMPARE(list.ItemText(1, 0), std::string("x.exe"));
    QCOMPARE(list.ItemText(1, 1), escaped);
    QCOMPARE(list.ItemText(1, 2), std::string());
    QCOMPARE(list.ItemText(2, 1), std::string());
    QCOMPARE(list.Image(1), int(CImageList::kPage));
    QCOMPARE(list.Image(2), -1);
    QCOMPARE(list.Check(1), -1);
    QCOMPARE(*list.UserData<int>(1), 7);
    QVERIFY(list.UserData<int>(2) == nullptr);
  }

  // Rows filled while redraws are held reach the view later, but the list answers for
  // them at once and in order, also when a row goes in before them or one goes.
  void RowsFilledWhileRedrawIsHeld() {
    CListCtrEx list;
    list.InsertColumn("A", 0);
    list.SetItem(0, 0, "first");
    list.SuspendRedraw(true);
    list.AppendRow({"b"}, -1, {});
    list.AppendRow({"d"}, -1, {});
    QVERIFY(list.SetItem(1, 0, "a"));
    list.AppendRow({"e"}, -1, {});
    QCOMPARE(list.ItemCount(), 5);
    QVERIFY(list.SelectRow(4) && list.SelectedRow() == 4 && !list.RowRect(4).isEmpty());
    QVERIFY(list.DeleteItem(3));
    QCOMPARE(list.SelectedRow(), 3);
    list.AppendRow({"f"}, -1, {});
    list.SuspendRedraw(false);
    QCOMPARE(list.model()->rowCount(), 5);
    std::vector<std::string> texts;
    for (int row = 0; row < list.ItemCount(); ++row) texts.push_back(list.ItemText(row, 0));
    QCOMPARE(texts, (std::vector<std::string>{"first", "a", "b", "e", "f"}));
    QCOMPARE(list.model()->index(3, 0).data().toString(), QStringLiteral("e"));
  }

  void DeselectAllAndSelectRow() {
    CListCtrEx list;
    list.InsertColumn("A", 0);
    for (int i = 0; i < 3; ++i) list.SetItem(i, 0, "row");
    QSignalSpy selection(&list, &CListCtrEx::SelectionChanged);
    QVERIFY(list.SelectRow(2));
    QCOMPARE(list.SelectedRow(), 2);
    QCOMPARE(list.FocusedRow(), 2);
    QVERIFY(list.SelectRow(1));
    QCOMPARE(list.SelectedRows(), std::vector<int>{1});
    list.DeselectAll();
    QCOMPARE(list.SelectedRow(), -1);
    QCOMPARE(list.FocusedRow(), -1);
    QCOMPARE(selection.count(), 3);
    QVERIFY(!list.SelectRow(3));
  }

  void KeyPressesAreReported() {
    CListCtrEx list;
    list.InsertColumn("A", 0);
    list.SetItem(0, 0, "a");
    list.SetItem(1, 0, "b");
    list.SelectRow(0);
    QSignalSpy keys(&list, &CListCtrEx::KeyPressed);
    QTest::keyClick(&list, Qt::Key_Down);
    QCOMPARE(keys.count(), 1);
    QCOMPARE(keys.at(0).at(0).toInt(), int(Qt::Key_Down));
    QCOMPARE(list.SelectedRow(), 1);
  }
};

QTEST_MAIN(ListCtrlTest)
#include "ListCtrl_test.moc"
