#include "host/desktop/qt_slides.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFont>
#include <QFontDatabase>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

#include "host/desktop/qt_application.h"
#include "host/error.h"

namespace desktop {
namespace {

constexpr int kTwipsPerPixel = 15;
constexpr double kLabelPointSize = 9.75;

int Pixels(int twips) { return twips / kTwipsPerPixel; }

// The labels' font: Tahoma from kTahomaFile, loaded once per process.
QFont LabelFont() {
  static const QString family = [] {
    const int id = QFontDatabase::addApplicationFont(QString::fromUtf8(kTahomaFile));
    const QStringList families = id < 0 ? QStringList() : QFontDatabase::applicationFontFamilies(id);
    return families.value(0, QStringLiteral("Tahoma"));
  }();
  QFont font(family);
  font.setPointSizeF(kLabelPointSize);
  font.setWeight(QFont::Normal);
  return font;
}

// Controls in the tab order, then those outside it: a widget's place in the
// focus chain is the order of its making.
std::vector<host::SlideControl> InMakingOrder(const host::SlideForm& form) {
  std::vector<host::SlideControl> controls = form.controls;
  std::stable_sort(controls.begin(), controls.end(), [](const auto& a, const auto& b) {
    const auto rank = [](const host::SlideControl& c) { return c.tab_index < 0 ? 1 << 30 : c.tab_index; };
    return rank(a) < rank(b);
  });
  return controls;
}

}  // namespace

class SlideWidget : public QWidget {
 public:
  explicit SlideWidget(std::function<void()> on_close) : on_close_(std::move(on_close)) {}

 protected:
  void closeEvent(QCloseEvent* event) override {
    event->accept();
    on_close_();
  }

 private:
  std::function<void()> on_close_;
};

class QtSlides::Slide : public host::SlideWindow {
 public:
  Slide(QtSlides& slides, const host::SlideForm& form, host::ButtonClicks clicks)
      : window_(std::make_unique<SlideWidget>([&slides] { slides.Closed(); })) {
    window_->setObjectName(QString::fromStdString(form.name));
    window_->setWindowTitle(QString::fromStdString(form.caption));
    window_->setFixedSize(Pixels(form.client_width), Pixels(form.client_height));
    for (const host::SlideControl& control : InMakingOrder(form)) {
      QWidget* widget = Make(slides, control, clicks);
      widget->setObjectName(QString::fromStdString(control.name));
      widget->setGeometry(Pixels(control.left), Pixels(control.top), Pixels(control.width),
                          Pixels(control.height));
    }
  }

  void Show() override { window_->show(); }
  void Hide() override { window_->hide(); }

  QWidget& window() { return *window_; }

 private:
  QWidget* Make(QtSlides& slides, const host::SlideControl& control, host::ButtonClicks& clicks) {
    const QString content = QString::fromStdString(control.content);
    switch (control.kind) {
      case host::SlideControl::Kind::kLabel: {
        auto* label = new QLabel(content, window_.get());
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setFont(LabelFont());
        return label;
      }
      case host::SlideControl::Kind::kPicture: {
        auto* picture = new QLabel(window_.get());
        picture->setPixmap(QPixmap(QStringLiteral(":/tour/") + content));
        return picture;
      }
      case host::SlideControl::Kind::kButton:
        break;
    }
    auto* button = new QPushButton(content, window_.get());
    // Enter presses the button that has the focus, as Space does.
    button->setAutoDefault(true);
    if (auto click = std::move(clicks[control.name])) {
      QObject::connect(button, &QPushButton::clicked, [&slides, click] { slides.Deliver(click); });
    }
    return button;
  }

  std::unique_ptr<SlideWidget> window_;
};

QtSlides::QtSlides() = default;

QtSlides::~QtSlides() = default;

std::unique_ptr<host::SlideWindow> QtSlides::CreateSlide(const host::SlideForm& form,
                                                         host::ButtonClicks clicks) {
  try {
    EnsureQtApplication();
  } catch (const std::exception& error) {
    throw host::CannotCreate(form.name, error.what());
  }
  return std::make_unique<Slide>(*this, form, std::move(clicks));
}

QWidget& QtSlides::WindowOf(host::SlideWindow& slide) { return dynamic_cast<Slide&>(slide).window(); }

void QtSlides::RunSlides() {
  const auto shown = [] {
    const auto windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [](QWidget* window) {
      return dynamic_cast<SlideWidget*>(window) != nullptr && window->isVisible();
    });
  };
  if (!failure_ && !closed_ && QCoreApplication::instance() != nullptr && shown()) {
    QEventLoop loop;
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
  }
  closed_ = false;
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

void QtSlides::Deliver(const std::function<void()>& click) {
  try {
    click();
  } catch (...) {
    // Qt cannot carry an exception through its event loop.
    failure_ = std::current_exception();
    Quit();
  }
}

void QtSlides::Closed() {
  closed_ = true;
  Quit();
}

void QtSlides::Quit() {
  if (loop_ != nullptr) loop_->quit();
}

}  // namespace desktop
