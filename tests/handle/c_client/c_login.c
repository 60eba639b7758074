/* A C99 client of the handle interface: creates a context, logs in to the
 * controller at HOST PORT, reads the work mode, logs out and destroys the
 * context. Exits 0 when every step succeeded. */
#include <stdio.h>
#include <stdlib.h>

#include "handle/rsrobotcontrol.h"

static int check(const char* step, int result) {
    if (result != 0) fprintf(stderr, "%s failed: %d (%s)\n", step, result, rs_str_error(result));
    return result == 0;
}

int main(int argc, char** argv) {
    RSHD rshd = 0;
    RobotWorkMode mode = -1;
    bool connected = false;
    int ok = 1;
    if (argc != 3) {
        fprintf(stderr, "usage: %s HOST PORT\n", argv[0]);
        return 2;
    }
    ok = ok && check("rs_initialize", rs_initialize());
    ok = ok && check("rs_create_context", rs_create_context(&rshd));
    ok = ok && check("rs_login", rs_login(rshd, argv[1], atoi(argv[2])));
    ok = ok && check("rs_get_login_status", rs_get_login_status(rshd, &connected)) && connected;
    ok = ok && check("rs_get_work_mode", rs_get_work_mode(rshd, &mode));
    ok = ok && check("rs_logout", rs_logout(rshd));
    ok = ok && check("rs_destory_context", rs_destory_context(rshd));
    ok = ok && rs_destory_context(rshd) == RS_ERR_NO_CONTEXT;
    rs_uninitialize();
    printf("work mode %d: %s\n", mode, ok ? "ok" : "FAILED");
    return ok ? 0 : 1;
}
