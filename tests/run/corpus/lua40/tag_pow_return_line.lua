-- An error in the pow tag method of a returned power names the return.
function f()
  return 2 ^
    {}
end
f()
