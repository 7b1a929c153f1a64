// The project class of hello.zgp. It instantiates the crate game of
// samples/scene (found through the search path, -S ../scene) and shows it in
// a layer, with its own 2D scene (hud.zns) in a layer in front. It finds the
// game's first crate, moves it aside, casts a ray down onto it, deletes it
// through the scene's deletion queue and sees its handle die; once the game
// is over it ends the run itself. The game advances 20 ms a frame, so the
// frame counts below are the same on every machine.

class Hello {
    greeting = "";
    frames = 0;
    game = null;
    scene = null;
    crate = null;
    overAt = -1;

    function OnSetup(project) {
        print(greeting + ".");
        print("Output " + g_width + "x" + g_height + ", project context: " + g_context_project + ".");
        game = ProjectInstantiateScene(project, "crate.zms");
        ProjectAddLayer(project, game, 1.0);
        // The layer of smaller z is drawn last, over the game.
        ProjectAddLayer(project, ProjectInstantiateScene(project, "hud.zns"), 0.0);
        scene = ProjectSceneGetInstance(game);
        crate = SceneFindItem(scene, "crate");
        print("Found the " + ItemGetName(crate) + " in " + SceneGetName(scene) + ".");
    }

    function OnUpdate(project) {
        frames++;
        if (frames == 10) {
            ItemSetPosition(crate, Vector(3.0, 0.5, 0.0));
            ItemReset(crate);
            local at = ItemGetPosition(crate);
            print("Moved the crate to (" + at.x + ", " + at.y + ", " + at.z + ").");
        } else if (frames == 11) {
            // Its body is in place after a physics update: a ray from 10 m
            // above meets its top, 9 m down.
            local hit = SceneCollisionRaytrace(scene, Vector(3.0, 10.0, 0.0), Vector(0.0, -1.0, 0.0), -1, 0, 20.0);
            print("A ray from above hits the " + ItemGetName(hit.item) + " " + hit.d + " m down.");
        } else if (frames == 30) {
            SceneEnableItemDeletionQueue(scene, true);
            SceneDeleteItem(scene, crate);
            print("The crate is queued for deletion, its handle valid: " + ObjectIsValid(crate) + ".");
            SceneFlushDeletionQueue(scene);
            print("After the flush its handle is valid: " + ObjectIsValid(crate) + ".");
        }
        if (overAt < 0 && ProjectSceneGetScriptInstance(game).over) overAt = frames;
        if (overAt >= 0 && frames == overAt + 25) {
            print("Ending the project after " + frames + " frames.");
            ProjectEnd(project);
        }
    }

    function OnRender(project) {
        if (frames == 1) print("The project drew its first frame.");
    }

    function OnClose(project) {
        print("Goodbye from the project.");
    }
}
