// The class of the project's own 2D scene (hud.zns): a line of text along the
// bottom of the screen, over the game.

class Hud {
    function OnSetup(ui) {
        local window = UIAddWindow(ui, 1, 32, 648, 1216, 48);
        local text = UIAddStaticTextWidget(ui, 2, "Kestrin crate drop: a project shows the scene of samples/scene.", "default");
        TextSetSize(text, 32);
        TextSetColor(text, 255, 255, 255, 255);
        WindowSetBaseWidget(window, text);
        print("The project's 2D layer shows its text.");
    }
}
