// Opens the database in the folder given and acts as the other program would.
#include "Extensions/Realm.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    return 0;
}
