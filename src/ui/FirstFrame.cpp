#include "ui/FirstFrame.h"

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QPainter>

#include "ui/MainFrame.h"
#include "ui/ViewWidget.h"

#ifdef TSN_HAVE_XCB_SHM
#include <QtGui/qguiapplication_platform.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>
#include <QGuiApplication>

#include <cstdlib>
#endif

bool ComposeFirstFrame(CMainFrame& frame, QImage& image) {
    ViewWidget& view = frame.viewWidget();
    if (view.showsDraft())
        return false;
    // The children's places, as Qt lays them out before its first paint.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    image.fill(frame.palette().color(QPalette::Window));
    QPainter painter(&image);
    QWidget* viewport = view.viewport();
    const QRect area(viewport->mapTo(&frame, QPoint()), viewport->size());
    painter.fillRect(area, viewport->palette().color(viewport->backgroundRole()));
    painter.setClipRect(area);
    painter.translate(area.topLeft());
    return view.paintPictures(painter);
}

#ifdef TSN_HAVE_XCB_SHM
namespace {

// A block of memory shared with the X server; the server lets go of it when the
// segment is destroyed, after every request sent before.
class SharedSegment {
public:
    SharedSegment(xcb_connection_t* connection, std::size_t bytes) : m_connection(connection) {
        const xcb_query_extension_reply_t* shm = xcb_get_extension_data(connection, &xcb_shm_id);
        if (!shm || !shm->present)
            return;
        const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (id < 0)
            return;
        void* data = shmat(id, nullptr, 0);
        if (data != reinterpret_cast<void*>(-1)) {
            // Checked: a display on another machine has the extension but not our memory.
            m_segment = xcb_generate_id(connection);
            xcb_generic_error_t* error = xcb_request_check(
                connection, xcb_shm_attach_checked(connection, m_segment, std::uint32_t(id), 0));
            if (error) {
                std::free(error);
                shmdt(data);
            } else {
                m_data = static_cast<uchar*>(data);
            }
        }
        shmctl(id, IPC_RMID, nullptr);  // freed once both sides have let go
    }
    ~SharedSegment() {
        if (!m_data)
            return;
        xcb_shm_detach(m_connection, m_segment);
        xcb_flush(m_connection);
        shmdt(m_data);
    }
    SharedSegment(const SharedSegment&) = delete;
    SharedSegment& operator=(const SharedSegment&) = delete;

    uchar* data() const { return m_data; }
    xcb_shm_seg_t id() const { return m_segment; }

private:
    xcb_connection_t* m_connection;
    xcb_shm_seg_t m_segment = 0;
    uchar* m_data = nullptr;
};

// Whether pixels of this depth are 32 bits, least significant byte first on the
// wire: QImage's RGB32.
bool TakesRgb32(xcb_connection_t* connection, std::uint8_t depth) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return false;
    for (auto format = xcb_setup_pixmap_formats_iterator(setup); format.rem;
         xcb_format_next(&format)) {
        if (format.data->depth == depth)
            return format.data->bits_per_pixel == 32;
    }
    return false;
}

std::uint8_t DepthOf(xcb_connection_t* connection, xcb_window_t window) {
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
    const std::uint8_t depth = geometry ? geometry->depth : 0;
    std::free(geometry);
    return depth;
}

// Makes `image` the window's background and shows it at once, should the window
// manager have mapped the window already. Qt's first paint of the view puts the
// background back to none: after that the X server would fill every newly exposed
// part, on each resize, with a stale picture.
void SetBackground(CMainFrame& frame, xcb_connection_t* connection, xcb_window_t window,
                   std::uint8_t depth, const QImage& image, const SharedSegment& segment) {
    const auto width = std::uint16_t(image.width());
    const auto height = std::uint16_t(image.height());
    const xcb_pixmap_t pixmap = xcb_generate_id(connection);
    xcb_create_pixmap(connection, depth, pixmap, window, width, height);
    const xcb_gcontext_t gc = xcb_generate_id(connection);
    xcb_create_gc(connection, gc, pixmap, 0, nullptr);
    xcb_shm_put_image(connection, pixmap, gc, width, height, 0, 0, width, height, 0, 0, depth,
                      XCB_IMAGE_FORMAT_Z_PIXMAP, 0, segment.id(), 0);
    xcb_free_gc(connection, gc);
    xcb_change_window_attributes(connection, window, XCB_CW_BACK_PIXMAP, &pixmap);
    xcb_free_pixmap(connection, pixmap);  // the window keeps it while it is the background
    xcb_clear_area(connection, 0, window, 0, 0, 0, 0);
    QObject::connect(
        &frame.viewWidget(), &ViewWidget::painted, &frame,
        [connection, window] {
            const std::uint32_t none = XCB_BACK_PIXMAP_NONE;
            xcb_change_window_attributes(connection, window, XCB_CW_BACK_PIXMAP, &none);
            xcb_flush(connection);
        },
        Qt::SingleShotConnection);
}

void ShowOnX11(CMainFrame& frame, xcb_connection_t* connection) {
    // Made now rather than at show: the X server answers at once while nothing is
    // mapped yet; once shown, the window manager holds it up.
    const auto window = xcb_window_t(frame.winId());
    const std::uint8_t depth = DepthOf(connection, window);
    const QSize size = frame.size() * frame.devicePixelRatioF();
    const qsizetype stride = qsizetype(size.width()) * 4;
    if (size.isEmpty() || size.width() > 0xFFFF || size.height() > 0xFFFF ||
        !TakesRgb32(connection, depth)) {
        frame.show();
        return;
    }
    const SharedSegment segment(connection, std::size_t(stride) * std::size_t(size.height()));
    frame.show();
    if (!segment.data())
        return;
    // Drawn while the window manager maps the window.
    QImage image(segment.data(), size.width(), size.height(), stride, QImage::Format_RGB32);
    image.setDevicePixelRatio(frame.devicePixelRatioF());
    if (ComposeFirstFrame(frame, image))
        SetBackground(frame, connection, window, depth, image, segment);
}

}  // namespace
#endif

void ShowWithFirstFrame(CMainFrame& frame) {
#ifdef TSN_HAVE_XCB_SHM
    // Other platforms may answer for X11 too (offscreen does), without a connection.
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 && x11->connection() && QGuiApplication::platformName() == QLatin1String("xcb")) {
        ShowOnX11(frame, x11->connection());
        return;
    }
#endif
    frame.show();
}
