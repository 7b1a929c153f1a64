// The project class of hello.zgp. The player calls OnSetup once, OnUpdate and
// OnRender every frame, and OnClose when the run ends (here after the run
// time given with -time_live).

class Hello {
    greeting = "";
    frames = 0;
    lastSecond = 0;

    function OnSetup(project) {
        print(greeting + ".");
        print("Output " + g_width + "x" + g_height + ", project context: " + g_context_project + ".");
    }

    function OnUpdate(project) {
        frames++;
        // g_clock counts in 1/10000 s.
        local second = (g_clock / 10000.0).tointeger();
        if (second != lastSecond) {
            lastSecond = second;
            print("Still running at second " + second + ".");
        }
    }

    function OnRender(project) {
        if (frames == 1) print("First frame drawn.");
    }

    function OnClose(project) {
        print("Goodbye after " + (frames > 0 ? "some" : "no") + " frames.");
    }
}
