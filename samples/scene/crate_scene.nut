// The scene class of crate.zms: a small game. Crates drop one after another
// onto the floor and tumble onto each other; each crate that lands scores a
// point, shown in the scene's 2D UI, and thuds (silent on the null mixer).
// Once the last crate has landed and a second has passed, the game ends the
// run itself. Every frame advances the game by the same 20 ms, so a run goes
// the same way on any machine, however fast it draws.

class CrateScene {
    greeting = "";
    crates = 4;      // in the whole game, the scene's own crate included
    dropEvery = 25;  // frames between two drops
    frames = 0;
    dropped = 1;
    score = 0;
    endFrame = -1;
    over = false;
    last = null;     // the crate the next one is copied from
    scoreText = null;
    thud = null;

    // Where each dropped crate starts, how fast it moves sideways and spins.
    drops = [
        [Vector(0.4, 5.0, 0.2), Vector(-0.3, 0.0, 0.0), Vector(0.0, 1.5, 2.0)],
        [Vector(-0.5, 5.5, -0.1), Vector(0.4, 0.0, 0.1), Vector(2.0, 0.0, -1.0)],
        [Vector(0.1, 6.0, 0.0), Vector(0.0, 0.0, 0.0), Vector(-1.0, 2.0, 0.5)],
    ];

    function OnSetup(scene) {
        print(greeting + ".");
        print("Output " + g_width + "x" + g_height + ", project context: " + g_context_project + ".");
        EngineSetFixedDeltaFrame(g_engine, 0.02);
        last = SceneFindItem(scene, "crate");
        // The score, large and yellow, in a dark window at the UI's top left.
        local ui = SceneGetUI(scene);
        // UI units are the output's pixels.
        UISetInternalResolution(ui, g_width, g_height);
        local window = UIAddWindow(ui, 1, 32, 24, 260, 64);
        WindowSetBackgroundColor(window, 0xb0301808);
        WindowShow(window, true);
        scoreText = UIAddStaticTextWidget(ui, 2, "Score: 0", "default");
        TextSetSize(scoreText, 48);
        TextSetColor(scoreText, 255, 230, 40, 255);
        WindowSetBaseWidget(window, scoreText);
        thud = EngineLoadSound(g_engine, "land.wav");
    }

    function OnUpdate(scene) {
        frames++;
        if (dropped < crates && frames == dropped * dropEvery) Drop(scene);
        if (frames == endFrame) {
            over = true;
            print("Game over: " + score + " of " + crates + " crates landed.");
            SceneEnd(scene);
        }
    }

    // A copy of the last crate, with its script unit, from the next start.
    function Drop(scene) {
        local start = drops[dropped - 1];
        local crate = SceneDuplicateItem(scene, last);
        last = crate;
        dropped++;
        ItemSetName(crate, "crate " + dropped);
        ItemSetPosition(crate, start[0]);
        ItemSetRotation(crate, Vector(0.0, 0.0, 0.0));
        ItemSetup(crate);
        ItemSetupScript(crate);
        ItemReset(crate);
        ItemSetLinearVelocity(crate, start[1]);
        ItemSetAngularVelocity(crate, start[2]);
        print("Crate " + dropped + " drops.");
    }

    // Called by a crate's unit the first time it touches something.
    function Landed(crate, other, steps) {
        score++;
        TextSetText(scoreText, "Score: " + score);
        print("Landed: " + ItemGetName(crate) + " on " + ItemGetName(other) + " after " + steps +
              " physics steps. Score: " + score + ".");
        MixerSoundStart(g_mixer, thud);
        if (score == crates) endFrame = frames + 50;
    }

    function OnRenderUI(scene) {
        if (frames == 1) print("First frame drawn.");
    }

    function OnDelete(scene) {
        print("Goodbye after " + frames + " frames.");
    }
}
