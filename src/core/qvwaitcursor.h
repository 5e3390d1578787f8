#pragma once

// The SQL-wait cursor for the lifetime of the object: set on construction, the cursor that was
// shown before put back on destruction, also when the guarded work throws. Guards nest. Without
// a GUI application (console tools, some tests) it does nothing.
//
//     SQLWaitCursor wait;
//     connection.exec(sql);
class SQLWaitCursor
{
public:
    SQLWaitCursor();
    ~SQLWaitCursor();
    SQLWaitCursor(const SQLWaitCursor &) = delete;
    SQLWaitCursor &operator=(const SQLWaitCursor &) = delete;

private:
    bool m_active;
};
