// The crate's class: it counts the physics steps (at the fixed step of the
// scene's "Physics" frequency) until it first touches the floor or another
// crate, then tells the scene's unit, which keeps the score.

class Crate {
    steps = 0;
    landed = false;

    function OnPhysicStep(item, physics) {
        steps++;
    }

    function OnCollision(item, other) {
        if (landed) return;
        landed = true;
        // A scene whose unit keeps no score lets the crate land unheard.
        local game = SceneGetScriptInstance(ItemGetScene(item));
        if ("Landed" in game) game.Landed(item, other, steps);
    }
}
