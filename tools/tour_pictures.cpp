// tour-pictures OUTDIR: draws the tour's four pictures as baseline JPEG files
// at 96 dots per inch. Their committed output lives in tour/pictures/;
// run it again after changing a drawing, then rebuild.
#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <tuple>
#include <utility>

namespace {

constexpr int kDotsPerMeter = 3780;  // 96 dots per inch
const QColor kPane(255, 255, 255);
const QColor kChrome(236, 236, 236);
const QColor kLine(160, 160, 160);
const QColor kSelection(51, 122, 204);
const QColor kFrame(255, 221, 0);

// The demo store's database folder and the folders `quorvia-store demo` makes below it.
const QStringList kDemoFolders = {"Contacts", "Opportunities", "Activities", "Alerts"};

QFont UiFont(int pixels, bool bold = false) {
  QFont font("DejaVu Sans");
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

// A button of a toolbar, with a drop-down arrow when `menu`.
void ToolButton(QPainter& p, const QRect& r, const QString& text, bool menu, bool pressed = false) {
  p.setPen(kLine);
  p.setBrush(pressed ? QColor(204, 224, 247) : kChrome);
  p.drawRoundedRect(r.adjusted(0, 0, -1, -1), 3, 3);
  p.setPen(Qt::black);
  p.setFont(UiFont(11));
  p.drawText(r.adjusted(6, 0, menu ? -14 : -6, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
  if (menu) {
    const QPoint c(r.right() - 8, r.center().y() + 1);
    p.setBrush(Qt::black);
    p.drawPolygon(QPolygon({c + QPoint(-3, -2), c + QPoint(3, -2), c + QPoint(0, 2)}));
  }
}

// An opened drop-down list below `top` of `width`, one entry per line; an
// empty entry is a separator. Yields its bottom.
int DropDown(QPainter& p, int left, int top, int width, const QStringList& entries, int highlighted) {
  constexpr int kRow = 21;
  int height = 4;
  for (const QString& entry : entries) height += entry.isEmpty() ? 7 : kRow;
  p.setPen(kLine);
  p.setBrush(kPane);
  p.drawRect(left, top, width - 1, height);
  int y = top + 2;
  for (int i = 0; i < entries.size(); ++i) {
    if (entries[i].isEmpty()) {
      p.setPen(kLine);
      p.drawLine(left + 6, y + 3, left + width - 8, y + 3);
      y += 7;
      continue;
    }
    if (i == highlighted) p.fillRect(left + 2, y, width - 5, kRow, kSelection);
    p.setPen(i == highlighted ? Qt::white : Qt::black);
    p.setFont(UiFont(11));
    p.drawText(QRect(left + 10, y, width - 16, kRow), Qt::AlignVCenter | Qt::AlignLeft, entries[i]);
    y += kRow;
  }
  return top + height;
}

// The folder tree of the CRM store from `top`, with the database folder
// open; yields the bottom of the last row.
int FolderTree(QPainter& p, int left, int top, int width, int selected) {
  constexpr int kRow = 20;
  const auto row = [&](int index, int indent, const QString& name, bool open, bool bold) {
    const int y = top + index * kRow;
    if (index == selected) p.fillRect(left, y, width, kRow, kSelection);
    p.setPen(index == selected ? Qt::white : Qt::black);
    if (open) p.drawText(QRect(left + indent - 12, y, 12, kRow), Qt::AlignCenter, QStringLiteral("▾"));
    p.setBrush(QColor(240, 200, 90));
    p.setPen(QColor(190, 150, 40));
    p.drawRect(left + indent + 1, y + 6, 13, 9);
    p.setPen(index == selected ? Qt::white : Qt::black);
    p.setFont(UiFont(11, bold));
    p.drawText(QRect(left + indent + 19, y, width - indent - 19, kRow), Qt::AlignVCenter, name);
  };
  row(0, 14, "CRM store", true, false);
  row(1, 30, "Account Profiles", true, true);
  for (int i = 0; i < kDemoFolders.size(); ++i) row(2 + i, 46, kDemoFolders[i], false, false);
  return top + (2 + static_cast<int>(kDemoFolders.size())) * kRow;
}

QImage Canvas(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(kChrome);
  image.setDotsPerMeterX(kDotsPerMeter);
  image.setDotsPerMeterY(kDotsPerMeter);
  return image;
}

// The mail client's main window: menu, toolbars with the product's framed in
// yellow, the folder list and the accounts of the database folder.
QImage MainWindow() {
  QImage image = Canvas(656, 408);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(0, 0, 656, 24, QColor(60, 64, 72));
  p.setPen(Qt::white);
  p.setFont(UiFont(12, true));
  p.drawText(QRect(10, 0, 636, 24), Qt::AlignVCenter, "Account Profiles - Mail");
  p.setPen(Qt::black);
  p.setFont(UiFont(11));
  p.drawText(QRect(10, 26, 636, 18), Qt::AlignVCenter, "File    Edit    View    Go    Tools    Actions    Help");
  int x = 8;
  for (const auto& [name, width] : {std::pair{"New", 56}, {"Reply", 64}, {"Forward", 76},
                                    {"Delete", 64}, {"Send/Receive", 104}}) {
    ToolButton(p, QRect(x, 48, width, 24), name, false);
    x += width + 4;
  }
  const QRect toolbar(6, 78, 470, 30);
  x = toolbar.left() + 6;
  for (const auto& [name, menu, width] : {std::tuple{"Add/Action", true, 96}, {"Search", true, 78},
                                          {"Accounts", false, 76}, {"Alerts", false, 60},
                                          {"Reports", false, 66}, {"Help", false, 50}}) {
    ToolButton(p, QRect(x, toolbar.top() + 3, width, 24), name, menu);
    x += width + 4;
  }
  p.setPen(QPen(kFrame, 4));
  p.setBrush(Qt::NoBrush);
  p.drawRect(toolbar);
  p.fillRect(6, 114, 190, 288, kPane);
  p.setPen(Qt::black);
  p.setFont(UiFont(11, true));
  p.drawText(QRect(10, 114, 180, 22), Qt::AlignVCenter, "Folder List");
  FolderTree(p, 6, 138, 190, 1);
  p.fillRect(202, 114, 448, 288, kPane);
  p.fillRect(202, 114, 448, 22, kChrome);
  p.setPen(Qt::black);
  p.drawText(QRect(208, 114, 440, 22), Qt::AlignVCenter, "Account Name              Account Manager     Team");
  p.setFont(UiFont(11));
  const char* accounts[][3] = {{"Nordwind Logistics GmbH", "Anna Berg", "Enterprise East"},
                               {"Bluewater Medical Inc.", "Ben Carter", "Mid-Market North"},
                               {"Harbor Foods Ltd.", "Chloé Dubois", "Channel"},
                               {"Summit Energy AG", "David Eriksen", "Public Sector"},
                               {"Cedar Software LLC", "Elif Fischer", "Inside Sales"},
                               {"Granite Capital Group", "Finn García", "International"}};
  int y = 140;
  for (const auto& account : accounts) {
    p.drawText(QRect(208, y, 190, 20), Qt::AlignVCenter, account[0]);
    p.drawText(QRect(402, y, 130, 20), Qt::AlignVCenter, account[1]);
    p.drawText(QRect(536, y, 112, 20), Qt::AlignVCenter, account[2]);
    y += 22;
  }
  return image;
}

QImage AddActionList() {
  QImage image = Canvas(242, 311);
  QPainter p(&image);
  ToolButton(p, QRect(4, 4, 110, 24), "Add/Action", true, true);
  DropDown(p, 4, 28, 234,
           {"New Account", "New Location Account", "New Contact", "New Opportunity", "New Activity",
            "New Alert", "", "Go to Account Profiles", "Go to Contacts", "Go to Opportunities",
            "Go to Activities", "Merge Accounts..."},
           2);
  return image;
}

QImage SearchList() {
  QImage image = Canvas(200, 87);
  QPainter p(&image);
  ToolButton(p, QRect(4, 2, 84, 22), "Search", true, true);
  DropDown(p, 4, 24, 192, {"Find Account...", "Find by Account ID..."}, 0);
  return image;
}

QImage FolderList() {
  QImage image = Canvas(199, 342);
  QPainter p(&image);
  p.fillRect(0, 0, 199, 342, kPane);
  p.fillRect(0, 0, 199, 24, kChrome);
  p.setPen(Qt::black);
  p.setFont(UiFont(11, true));
  p.drawText(QRect(6, 0, 190, 24), Qt::AlignVCenter, "Folder List");
  FolderTree(p, 0, 28, 199, 1);
  return image;
}

bool Save(const QImage& image, const QString& path) {
  QImageWriter writer(path, "jpeg");
  writer.setQuality(90);
  writer.setProgressiveScanWrite(false);
  writer.setOptimizedWrite(false);
  if (writer.write(image)) return true;
  std::fprintf(stderr, "tour-pictures: %s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tour-pictures OUTDIR\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  const QString folder = QString::fromLocal8Bit(argv[1]) + "/";
  const bool saved = Save(MainWindow(), folder + "overview.jpg") &&
                     Save(AddActionList(), folder + "add_action_list.jpg") &&
                     Save(SearchList(), folder + "search_list.jpg") &&
                     Save(FolderList(), folder + "folder_list.jpg");
  return saved ? EXIT_SUCCESS : EXIT_FAILURE;
}
