// Loads the Lottie file it is given and ends as the program ends, so a test
// can watch what is unloaded on the way out.
#include "Lottie/Animation.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        return 2;
    }
    return Lottie::Animation::filepath(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
