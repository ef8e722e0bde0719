#[[ my game
print("a")
-- ]]
print("b")
