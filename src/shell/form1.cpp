// Construction of the main window, its geometry in twips and the window
// events that reach handlers.
#include "shell/form1.h"

#include "document/recovery.h"
#include "platform/errors.h"
#include "platform/richtextbox.h"
#include "platform/units.h"
#include "resources/texts.h"
#include "shell/clientarea.h"
#include "shell/statusbar.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QIcon>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

// The icons live in the core library; a static library's resources must be
// registered by name, from the global namespace.
static void registerPennaroResources() { Q_INIT_RESOURCE(resources); }

namespace pennaro {

namespace {

// A window without a single pixel inside its frame is never mapped: the
// program would run with nothing on the screen. However small the stored
// size, the window keeps one pixel inside its frame.
constexpr int kMinimumInnerPixels = 1;

// Twips to whole pixels for the window's own geometry. A value that no
// window can take is refused, like any other invalid property value.
int windowPixels(double twips, bool horizontal, bool size) {
    const int px = horizontal ? twipsToPixelsX(twips) : twipsToPixelsY(twips);
    if (size && px < 0)
        throw PlatformError(QStringLiteral("Invalid property value"));
    return px;
}

}  // namespace

QIcon applicationIcon() {
    registerPennaroResources();
    // Two drawings, each made for its size; rendered once so that the icon
    // holds exactly the two images.
    QIcon icon;
    icon.addPixmap(QIcon(QStringLiteral(":/icons/pennaro32.svg")).pixmap(32, 32));
    icon.addPixmap(QIcon(QStringLiteral(":/icons/pennaro16.svg")).pixmap(16, 16));
    return icon;
}

Form1::Form1(const Services &services, QWidget *parent)
    : QMainWindow(parent), CommonDialog1(*services.dialogs), services_(services) {
    registerPennaroResources();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(texts::WindowCaption);
    setWindowIcon(applicationIcon());
    CommonDialog1.Filter = texts::FileFilter;

    client_ = new ClientArea(this);
    client_->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(client_);

    // Created first, so that the docked bars are drawn over the two thin
    // strips where the editing area overlaps them.
    RichTextBox1 = new RichTextBox(client_);
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    // The right button belongs to the window's own context menu (the Edit
    // menu), shown by the mouse-up handler.
    RichTextBox1->widget()->setContextMenuPolicy(Qt::NoContextMenu);

    buildMenus();
    buildToolbar();
    buildStatusBar();
    client_->setDockedBars(Toolbar1, StatusBar1);

    // Tab order: editing area, status bar, toolbar, font-name box. The two
    // bars never take the focus, so the order that remains is the editing
    // area, then the box.
    QWidget::setTabOrder(RichTextBox1->widget(), Combo1);
    RichTextBox1->widget()->setFocus(Qt::OtherFocusReason);
    // A menu bar that was never shown counts as hidden and takes no room in
    // the layout; start-up lays the window out before it is first shown.
    menuBar()->setVisible(true);

    recovery_ = std::make_unique<DocumentRecovery>(*this, services_.recovery);
    connectHandlers();
}

Form1::~Form1() = default;

void Form1::buildStatusBar() {
    StatusBar1 = new StatusBar(client_);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
}

void Form1::connectHandlers() {
    connect(RichTextBox1, &RichTextBox::Change, this, [this] { runHandler([this] { RichTextBox1_Change(); }); });
    connect(RichTextBox1, &RichTextBox::SelChange, this, [this] { runHandler([this] { RichTextBox1_SelChange(); }); });
    connect(RichTextBox1, &RichTextBox::MouseUp, this, [this](int button, int shift, float x, float y) {
        runHandler([=, this] { RichTextBox1_MouseUp(button, shift, x, y); });
    });
    client_->setResizeHandler([this] { runHandler([this] { Form_Resize(); }); });
}

void Form1::runHandler(const std::function<void()> &handler) {
    if (ended_)
        return;
    // Once a handler has ended the program, no other one runs, whatever
    // events are still queued.
    if (!guarded(handler))
        ended_ = true;
}

// ---- geometry ---------------------------------------------------------

double Form1::Left() const { return frameGeometry().x() * twipsPerPixelX(); }
double Form1::Top() const { return frameGeometry().y() * twipsPerPixelY(); }
double Form1::Width() const { return frameGeometry().width() * twipsPerPixelX(); }
double Form1::Height() const { return frameGeometry().height() * twipsPerPixelY(); }

void Form1::setLeft(double twips) { move(windowPixels(twips, true, false), y()); }

void Form1::setTop(double twips) { move(x(), windowPixels(twips, false, false)); }

void Form1::setWidth(double twips) {
    const int outer = windowPixels(twips, true, true);
    if (!isVisible())
        pendingOuterWidth_ = outer;
    resize(std::max(kMinimumInnerPixels, outer - (frameGeometry().width() - width())), height());
}

void Form1::setHeight(double twips) {
    const int outer = windowPixels(twips, false, true);
    if (!isVisible())
        pendingOuterHeight_ = outer;
    resize(width(), std::max(kMinimumInnerPixels, outer - (frameGeometry().height() - height())));
}

void Form1::syncClientArea() const {
    // A hidden window gets its resize events (and so its layout) only when it
    // is shown; the start-up layout needs the client area of the size just
    // set, so lay the window out now. A shown window's layout follows its
    // resize events by itself.
    if (isVisible())
        return;
    if (QLayout *l = layout()) {
        l->invalidate();
        l->activate();
    }
}

double Form1::ScaleWidth() const {
    syncClientArea();
    return client_->width() * twipsPerPixelX();
}

double Form1::ScaleHeight() const {
    syncClientArea();
    return client_->height() * twipsPerPixelY();
}

int Form1::WindowState() const {
    const Qt::WindowStates state = windowState();
    if (state & Qt::WindowMinimized)
        return vbMinimized;
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return vbMaximized;
    return vbNormal;
}

void Form1::PopupMenu(QMenu *menu) {
    if (menu)
        menu->exec(QCursor::pos());
}

// ---- window events ----------------------------------------------------

void Form1::closeEvent(QCloseEvent *event) {
    if (ended_) {
        event->accept();
        return;
    }
    int cancel = 0;
    runHandler([this, &cancel] { Form_Unload(cancel); });
    if (cancel != 0 && !ended_)
        event->ignore();
    else
        event->accept();
}

void Form1::resizeEvent(QResizeEvent *event) {
    // The handler follows the client area (ClientArea::resizeEvent), whose
    // size is what it lays out against.
    QMainWindow::resizeEvent(event);
}

void Form1::changeEvent(QEvent *event) {
    QMainWindow::changeEvent(event);
    // Minimizing and restoring do not always change the client area's size;
    // the layout runs for them all the same.
    if (event->type() == QEvent::WindowStateChange)
        runHandler([this] { Form_Resize(); });
}

void Form1::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    // The stored width and height are the outer frame's, but the window
    // manager's frame is known only once the window is on screen. Correct the
    // size then, so that the size written at closing matches what was read.
    if (pendingOuterWidth_ || pendingOuterHeight_)
        QTimer::singleShot(0, this, [this] { fitOuterSize(0); });
}

void Form1::fitOuterSize(int attempt) {
    const QMargins margins = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (margins.isNull()) {
        // Window managers reparent asynchronously: look again for a moment.
        if (attempt < 20)
            QTimer::singleShot(25, this, [this, attempt] { fitOuterSize(attempt + 1); });
        else
            pendingOuterWidth_ = pendingOuterHeight_ = 0;
        return;
    }
    int w = width(), h = height();
    if (pendingOuterWidth_)
        w = std::max(kMinimumInnerPixels, pendingOuterWidth_ - margins.left() - margins.right());
    if (pendingOuterHeight_)
        h = std::max(kMinimumInnerPixels, pendingOuterHeight_ - margins.top() - margins.bottom());
    pendingOuterWidth_ = pendingOuterHeight_ = 0;
    if (WindowState() == vbNormal && (w != width() || h != height()))
        resize(w, h);
}

}  // namespace pennaro
