require 'minitest/autorun'

# HostSim.time_meshing, the benchmarks' yardstick for the host's share of a load: every face
# meshed once per place it is drawn, hidden or not, faces of unused definitions not at all, and
# the C API's meshing clock left alone (a load's figures subtract that clock).
class TestMeshing < Minitest::Test
  def setup
    Sketchup.file_new
    @model = Sketchup.active_model
  end

  def square(entities, x) = entities.add_face([x, 0, 0], [x + 10, 0, 0], [x + 10, 10, 0], [x, 10, 0])

  def test_every_placed_face_is_meshed_once_per_place
    window = @model.definitions.add('Window')
    square(window.entities, 0)
    house = @model.definitions.add('House')
    square(house.entities, 50)
    2.times { |i| house.entities.add_instance(window, [i * 20, 0, 0]) }
    3.times { |i| @model.entities.add_instance(house, [i * 100, 0, 0]) }
    square(@model.entities, -50).hidden = true
    square(@model.definitions.add('Unused').entities, 0)

    HostSim.reset_meshing_clock
    timed = HostSim.time_meshing(@model)
    # Two triangles a square: 6 windows, 3 house walls and the hidden square.
    assert_equal 2 * (6 + 3 + 1), timed[:triangles]
    assert_kind_of Float, timed[:seconds]
    assert_equal 0.0, HostSim.meshing_seconds
  end

  def test_only_a_model_is_timed
    assert_raises(TypeError) { HostSim.time_meshing(square(@model.entities, 0)) }
    assert_raises(TypeError) { HostSim.time_meshing(nil) }
  end
end
