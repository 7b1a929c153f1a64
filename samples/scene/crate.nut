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
        SceneGetScriptInstance(ItemGetScene(item)).Landed(item, other, steps);
    }
}
