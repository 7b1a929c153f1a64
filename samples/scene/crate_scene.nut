// The scene class of crate.zms. The player calls OnSetup and OnReset once,
// OnUpdate and OnRenderUI every frame, and OnDelete when the run ends (here
// after the run time given with -time_live).

class CrateScene {
    greeting = "";
    frames = 0;
    lastSecond = 0;

    function OnSetup(scene) {
        print(greeting + ".");
        print("Output " + g_width + "x" + g_height + ", project context: " + g_context_project + ".");
    }

    function OnUpdate(scene) {
        frames++;
        // g_clock counts in 1/10000 s.
        local second = (g_clock / 10000.0).tointeger();
        if (second != lastSecond) {
            lastSecond = second;
            print("Still running at second " + second + ".");
        }
    }

    function OnRenderUI(scene) {
        if (frames == 1) print("First frame drawn.");
    }

    function OnDelete(scene) {
        print("Goodbye after " + (frames > 0 ? "some" : "no") + " frames.");
    }
}
