#include "connections.h"

void CloseAndDiscard(std::unique_ptr<Connection>& connection, int& linea, int closeLine)
{
    linea = closeLine;
    connection->close();
    linea = closeLine + 10;
    connection.reset();
}
