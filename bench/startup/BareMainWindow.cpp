// The baseline of the start-up benchmark: a Qt program that shows one empty
// main window. With KITBOX_EXIT_WHEN_SHOWN=1 it prints "shown" and ends as
// soon as the window's first frame is painted, exactly as kitbox32 does.
#include <QApplication>
#include <QEvent>
#include <QMainWindow>

#include <cstdio>
#include <cstdlib>

namespace {

// Ends the program right after the window's first frame has been painted.
class ShownWindow : public QMainWindow {
protected:
    bool event(QEvent *event) override
    {
        const bool handled = QMainWindow::event(event);
        if (event->type() == QEvent::UpdateRequest && m_exitWhenShown) {
            std::fputs("shown\n", stdout);
            std::fflush(stdout);
            std::_Exit(0);
        }
        return handled;
    }

private:
    bool m_exitWhenShown = qEnvironmentVariable("KITBOX_EXIT_WHEN_SHOWN") == QLatin1String("1");
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    ShownWindow window;
    window.resize(667, 400);
    window.show();
    return QApplication::exec();
}
