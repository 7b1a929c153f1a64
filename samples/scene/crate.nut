// The crate's class: its body falls from 5 m onto the floor. Physics runs at
// the fixed step of the scene's "Physics" frequency, one OnPhysicStep a step.

class Crate {
    steps = 0;
    landed = false;

    function OnPhysicStep(item, physics) {
        steps++;
    }

    function OnCollision(item, other) {
        if (landed) return;
        landed = true;
        print("The crate landed after " + steps + " physics steps.");
    }
}
